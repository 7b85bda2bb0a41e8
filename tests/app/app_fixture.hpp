#pragma once
// Drives a RemoteApp the way the framework does, without a window: lay out, draw a frame into a
// scene, deliver events, read the accessibility tree.
#include <stdlib.h>

#include <memory>
#include <string>

#include "app/descriptor.hpp"
#include "app/remote_app.hpp"
#include "platform/ui/launch.hpp"

namespace app_test {

struct ScopedEnv {
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = getenv(name)) old_ = old;
    if (value) setenv(name, value, 1); else unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_) setenv(name_, old_->c_str(), 1); else unsetenv(name_);
  }
  const char* name_;
  std::optional<std::string> old_;
};

class Harness {
 public:
  explicit Harness(std::unique_ptr<app::RemoteApp> a, vexa_ui::Size size = {1280, 800}) : app(std::move(a)), size_(size) {
    app->layout({0, 0, size.width, size.height});
    frame();
  }
  static Harness sample(std::optional<std::string> scene = std::nullopt, vexa_ui::Size size = {1280, 800}) {
    ScopedEnv env("VEXA_REMOTE_SAMPLE", "1");
    return Harness(app::create_app(std::move(scene)), size);
  }
  void resize(vexa_ui::Size size) {
    size_ = size;
    app->layout({0, 0, size.width, size.height});
    frame();
  }
  const vexa_ui::Scene& frame() {
    scene.clear();
    vexa_ui::DrawContext ctx{scene, text, size_, 1.0};
    app->frame_start();
    app->draw(ctx);
    return scene;
  }
  void key(const std::string& name) {
    auto keys = vexa_ui::launch::key_events(name);
    if (!keys) throw std::runtime_error(keys.error());
    for (const auto& k : *keys) app->handle_event(k);
    frame();
  }
  void type(const std::string& text) {
    for (const auto& k : vexa_ui::launch::typing_events(text)) app->handle_event(k);
    frame();
  }
  void click(vexa_ui::Point p) {
    app->handle_event(vexa_ui::PointerMove{p});
    app->handle_event(vexa_ui::PointerButton{p, 0, true});
    app->handle_event(vexa_ui::PointerButton{p, 0, false});
    frame();
  }
  bool perform(const std::string& id, vexa_ui::SemanticKind kind = vexa_ui::SemanticKind::Activate, std::string value = {}) {
    bool ok = app->perform_semantic_action(id, {kind, std::move(value)});
    frame();
    return ok;
  }
  vexa_ui::AccessNode tree() { return app->accessibility_tree(); }
  const app::HitRegion* region_for(const std::function<bool(const app::ViewCommand&)>& pred) const {
    for (const auto& r : app->hit_regions) {
      if (pred(r.command)) return &r;
    }
    return nullptr;
  }
  const profiles::ConnectionProfile& named(const std::string& name) const {
    for (const auto& p : app->profiles) {
      if (p.name == name) return p;
    }
    throw std::runtime_error("no profile " + name);
  }

  std::unique_ptr<app::RemoteApp> app;
  vexa_ui::Scene scene;
  vexa_ui::TextRenderer text;

 private:
  vexa_ui::Size size_;
};

}  // namespace app_test
