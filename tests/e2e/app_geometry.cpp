#include "e2e/app_geometry.hpp"

#include <chrono>
#include <cstdlib>
#include <thread>

#include "app/descriptor.hpp"
#include "app/views/views.hpp"
#include "platform/persist/persist.hpp"
#include "support/process.hpp"

namespace e2e {

namespace {

template <typename Command>
std::optional<vexa_ui::Rect> region_of(const app::RemoteApp& a, const profiles::Uuid& id) {
  for (const auto& r : a.hit_regions) {
    if (auto* c = std::get_if<Command>(&r.command); c && c->id == id) return r.rect;
  }
  return std::nullopt;
}

template <typename Command>
std::optional<vexa_ui::Rect> region_of(const app::RemoteApp& a) {
  for (const auto& r : a.hit_regions) {
    if (std::holds_alternative<Command>(r.command)) return r.rect;
  }
  return std::nullopt;
}

void draw(app::RemoteApp& a, vexa_ui::TextRenderer& text, vexa_ui::Size window) {
  vexa_ui::Scene scene;
  vexa_ui::DrawContext ctx{scene, text, window, 1.0};
  a.frame_start();
  a.draw(ctx);
}

// The app as the window starts it on this document: synced from a private copy, laid out at
// the window's size, first frame drawn.
class LoadedApp {
 public:
  LoadedApp(const std::filesystem::path& document, vexa_ui::Size window) : window_(window) {
    std::filesystem::copy_file(document, dir_ / "profiles.vexadoc");
    auto file = vexa_ui::persist::open_file(dir_ / "profiles.vexadoc");
    if (!file) return;
    file_.emplace(std::move(*file));
    app_ = std::make_unique<app::RemoteApp>();
    app_->sync_document(file_->document());
    app_->layout({0, 0, window.width, window.height});
    draw();
  }
  ~LoadedApp() {
    app_.reset();
    std::filesystem::remove_all(dir_);
  }
  app::RemoteApp* get() { return app_.get(); }
  void draw() { e2e::draw(*app_, text_, window_); }

 private:
  std::filesystem::path dir_ = test_support::temp_dir("vexa-e2e-geometry");
  vexa_ui::Size window_;
  vexa_ui::TextRenderer text_;
  std::optional<vexa_ui::persist::DocumentFile> file_;
  std::unique_ptr<app::RemoteApp> app_;
};

// Sets variables for one scope and puts the old values back.
class ScopedEnv {
 public:
  explicit ScopedEnv(const std::map<std::string, std::string>& env) {
    for (const auto& [k, v] : env) {
      const char* old = std::getenv(k.c_str());
      saved_[k] = old ? std::optional<std::string>(old) : std::nullopt;
      ::setenv(k.c_str(), v.c_str(), 1);
    }
  }
  ~ScopedEnv() {
    for (const auto& [k, v] : saved_) {
      if (v) ::setenv(k.c_str(), v->c_str(), 1); else ::unsetenv(k.c_str());
    }
  }

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

}  // namespace

std::optional<ConnectionControls> controls_for(const std::filesystem::path& document, const std::string& id,
                                               vexa_ui::Size window) {
  auto uuid = profiles::Uuid::parse(id);
  if (!uuid) return std::nullopt;
  LoadedApp loaded(document, window);
  auto* a = loaded.get();
  if (!a) return std::nullopt;
  auto row = region_of<app::cmd::Select>(*a, *uuid);
  auto edit = region_of<app::cmd::OpenEditForm>(*a, *uuid);
  if (!row || !edit) return std::nullopt;
  a->execute(app::cmd::OpenEditForm{*uuid});
  loaded.draw();
  auto del = region_of<app::cmd::AskDelete>(*a, *uuid);
  if (!del) return std::nullopt;
  return ConnectionControls{*row, *edit, *del};
}

std::optional<HostKeyControls> host_key_controls_for(const std::filesystem::path& document, const std::string& id,
                                                     vexa_ui::Size window,
                                                     const std::map<std::string, std::string>& env) {
  auto uuid = profiles::Uuid::parse(id);
  if (!uuid) return std::nullopt;
  LoadedApp loaded(document, window);
  auto* a = loaded.get();
  if (!a) return std::nullopt;
  {
    ScopedEnv scoped(env);  // read when the session starts
    a->execute(app::cmd::Connect{*uuid});
  }
  // The worker stores the verdict just before it reports the failure, and a card drawn in
  // between still says "Connecting…" (shorter, so its button sits higher): wait for the failure.
  auto failed = [&] {
    auto status = a->sessions.status();
    return status && status->kind == vexa::sys::SessionStatus::Kind::Failed;
  };
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!failed() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    loaded.draw();
  }
  loaded.draw();
  auto trust = region_of<app::cmd::AskTrustKey>(*a, *uuid);
  auto forget = region_of<app::cmd::AskForgetKey>(*a, *uuid);
  if (!failed() || (!trust && !forget)) return std::nullopt;
  auto tree = a->accessibility_tree();
  auto* status = tree.find("remote.session.status");
  if (trust) a->execute(app::cmd::AskTrustKey{*uuid}); else a->execute(app::cmd::AskForgetKey{*uuid});
  loaded.draw();
  auto confirm = region_of<app::cmd::Confirm>(*a);
  if (!confirm || !status) return std::nullopt;
  return HostKeyControls{trust ? *trust : *forget, *confirm, status->label};
}

std::optional<DesktopPlacement> desktop_for(const std::filesystem::path& document, const std::string& id,
                                              vexa_ui::Size window, double width, double height) {
  auto uuid = profiles::Uuid::parse(id);
  if (!uuid) return std::nullopt;
  LoadedApp loaded(document, window);
  auto* a = loaded.get();
  if (!a || !a->find_profile(*uuid)) return std::nullopt;
  // The session screen of that profile, as a start opens it, without a transport.
  a->session_target = {true, *uuid};
  a->screen = app::Screen::Session;
  loaded.draw();
  auto surface = app::views::session_surface(*a);
  return DesktopPlacement{surface, app::views::fitted_image_rect(surface, width, height, a->scale_fit)};
}

}  // namespace e2e
