#include "app/descriptor.hpp"

#include "actions/apply_action.hpp"
#include "app/sample.hpp"
#include "platform/ui/persist_store.hpp"
#include "platform/sys/env.hpp"

namespace app {

const std::vector<std::string>& review_scenes() {
  static const std::vector<std::string> scenes = {
      "narrow", "narrow-open", "form", "form-vexa", "session-ssh", "session-vnc", "session-rdp",
      "session-vexa", "session-connecting", "session-failed", "confirm-connect", "confirm-delete",
      "confirm-ssh-trust"};
  return scenes;
}

std::unique_ptr<RemoteApp> create_app(std::optional<std::string> scene) {
  auto app = std::make_unique<RemoteApp>();
  bool sample = vexa::sys::env("VEXA_REMOTE_SAMPLE") == std::optional<std::string>("1");
  if (sample) build_sample_workspace(*app);
  if (scene == "narrow") app->nav_forced = NavForced::NarrowClosed;
  if (scene == "narrow-open") app->nav_forced = NavForced::NarrowOpen;
  if (sample && scene) apply_review_scene(*app, *scene);
  return app;
}

vexa_ui::AppDescriptor make_descriptor() {
  vexa_ui::AppDescriptor d;
  d.app_id = kAppId;
  d.review_scenes = review_scenes();
  d.make_default = [] { return std::make_unique<RemoteApp>(); };
  d.create_app = [](std::optional<std::string> scene) -> std::unique_ptr<vexa_ui::App> {
    return create_app(std::move(scene));
  };
  d.register_actions = [](vexa_ui::App& app) { actions::register_remote_action(app.action_registry_mut()); };
  d.default_size = {1280, 800};
  d.open_document = [] { return vexa_ui::persist::open_store(); };
  d.instance_limit = [] { return 1; };
  d.flags = {1, 0, 1, 1};
  return d;
}

}  // namespace app
