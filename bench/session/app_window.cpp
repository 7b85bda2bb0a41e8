#include "bench/session/app_window.hpp"

#include <cstdlib>

#include "app/descriptor.hpp"

namespace session_bench {

AppWindow::AppWindow(vexa_ui::Size size, double scale) : AppWindow(app::create_app(std::nullopt), size, scale) {}

AppWindow::AppWindow(std::unique_ptr<app::RemoteApp> app, vexa_ui::Size size, double scale)
    : app_(*app), host_(std::move(app), nullptr, size, scale) {}

void AppWindow::connect(const profiles::ConnectionProfile& profile) {
  ::setenv("REMOTE_LIVE_SESSIONS", "1", 1);
  if (!app_.find_profile(profile.id)) app_.profiles.push_back(profile);
  app_.execute(app::cmd::Connect{profile.id});
}

bool AppWindow::connected() const {
  auto status = app_.sessions.status();
  return status && status->kind == vexa::sys::SessionStatus::Kind::Connected;
}

bool AppWindow::live() const {
  auto status = app_.sessions.status();
  return status && status->live();
}

}  // namespace session_bench
