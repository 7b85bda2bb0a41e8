#pragma once
// The application as the window runs it, minus the window: a RemoteApp inside a vexa_ui::Host
// of the window's size, with live sessions enabled.
#include <memory>

#include "app/remote_app.hpp"
#include "platform/ui/host.hpp"

namespace session_bench {

class AppWindow {
 public:
  AppWindow(vexa_ui::Size size, double scale);

  vexa_ui::Host& host() { return host_; }
  app::RemoteApp& app() { return app_; }
  // Adds the profile (once) and runs a confirmed Connect for it: a fresh session each call.
  void connect(const profiles::ConnectionProfile& profile);
  // The current session's status: Connected; Connecting or Connected.
  bool connected() const;
  bool live() const;

 private:
  AppWindow(std::unique_ptr<app::RemoteApp> app, vexa_ui::Size size, double scale);

  app::RemoteApp& app_;
  vexa_ui::Host host_;
};

}  // namespace session_bench
