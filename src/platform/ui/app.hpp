#pragma once
// The application interface the framework drives on its UI thread. Every slot has a default so
// an application overrides only what it uses.
#include <optional>
#include <string>
#include <vector>

#include "platform/actions/operation.hpp"
#include "platform/actions/resource.hpp"
#include "platform/devicehost/device_types.hpp"
#include "platform/doc/document.hpp"
#include "platform/ui/access.hpp"
#include "platform/ui/event.hpp"
#include "platform/ui/geometry.hpp"
#include "platform/ui/scene.hpp"
#include "platform/ui/text.hpp"

namespace vexa_ui {

struct DrawContext {
  Scene& scene;
  const TextRenderer& text;
  Size window;   // logical pixels
  double scale;  // physical pixels per logical pixel
};

// The root of the framework's layout: the app fills the window's content area.
struct LayoutNode {
  bool fill = true;
};

class App {
 public:
  virtual ~App() = default;

  virtual DeviceSink* as_device_sink() { return nullptr; }
  virtual void sync_document(vexa::doc::Document&) {}
  virtual LayoutNode build_layout_node() { return {}; }
  virtual void layout(Rect content) { (void)content; }
  // Work that runs at the start of every paced frame, drawn or not (draining queues, stepping
  // animations). It raises the repaint flag when something visible changed.
  virtual void frame_start() {}
  virtual void draw(DrawContext& ctx) = 0;
  virtual void handle_event(const Event& event) { (void)event; }
  virtual std::vector<std::string> action_namespaces() const { return {}; }
  virtual std::string app_name() const { return "App"; }
  virtual Rect content_rect() const { return {}; }
  virtual AccessNode accessibility_tree() { return {}; }
  // False when the app refuses the action.
  virtual bool perform_semantic_action(std::string_view identifier, const SemanticAction& action) {
    (void)identifier;
    (void)action;
    return false;
  }
  virtual void set_reduced_motion(bool reduced) { (void)reduced; }
  virtual bool needs_document() const { return false; }
  // The live resource tree for automation; rebuilt on every call.
  virtual std::optional<vexa_actions::Resource> register_resources() { return std::nullopt; }
  // The document heads captured before the first typed action since the last call.
  virtual std::vector<std::string> take_action_heads() { return {}; }
  virtual vexa_actions::RunResult run_operation(const vexa_actions::EncodedAction& action) {
    (void)action;
    return vexa_actions::run::NotMine{};
  }
  virtual vexa_actions::StartResult start_operation(const vexa_actions::EncodedAction& action,
                                                    vexa_actions::OperationHandle handle) {
    (void)action;
    (void)handle;
    return vexa_actions::start::NotMine{};
  }
  virtual vexa_actions::PollResult poll_operation(vexa_actions::OperationHandle handle, bool cancel) {
    (void)handle;
    (void)cancel;
    return vexa_actions::poll::Nothing{};
  }
  virtual bool wants_frame() const { return false; }
  virtual bool needs_repaint() const { return true; }
  virtual void clear_repaint() {}
  virtual void draw_alt(DrawContext& ctx) { draw(ctx); }

  // The handlers that apply typed actions to the document, filled by the registry callback.
  vexa_actions::ActionRegistry<vexa::doc::Document>& action_registry_mut() { return registry_; }
  const vexa_actions::ActionRegistry<vexa::doc::Document>& action_registry() const { return registry_; }

 private:
  vexa_actions::ActionRegistry<vexa::doc::Document> registry_;
};

}  // namespace vexa_ui
