#pragma once
// The application object: all state of the running application, touched only on the UI thread.
#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "actions/remote_action.hpp"
#include "app/form.hpp"
#include "app/view_command.hpp"
#include "platform/actions/transport.hpp"
#include "platform/ui/app.hpp"
#include "platform/ui/widgets/text_input.hpp"
#include "platform/ui/widgets/tooltip.hpp"
#include "profiles/connection_profile.hpp"
#include "session/session_manager.hpp"
#include "ssh/host_key_identity.hpp"
#include "ssh/input.hpp"

namespace app {

enum class Screen { List, FormNew, FormEdit, Session };

struct NearbyDevice {
  std::string name;
  std::string endpoint_id;
  bool online = false;
};

struct PendingConfirmation {
  enum class Kind { Connect, Delete, TrustHostKey, ForgetHostKey } kind;
  Uuid id;
  std::string signature;
  std::optional<ssh::HostKeyIdentity> observed;
};

// A clickable rectangle recorded while drawing; later regions win.
struct HitRegion {
  vexa_ui::Rect rect;
  ViewCommand command;
  std::optional<std::string> tooltip;
};

// A host key of the current SSH session that waits for the user's decision.
struct WaitingHostKey {
  enum class Kind { NeedsTrust, Changed } kind;
  ssh::HostKeyIdentity identity;
};

enum class NavForced { None, NarrowClosed, NarrowOpen };

// At most one background operation is in flight: a connect attempt or a text delivery.
struct PendingOperation {
  vexa_actions::OperationHandle handle = 0;
  Uuid id;
  session::SessionId identity = 0;
  bool delivery = false;
};

struct SessionTarget {
  bool open = false;
  Uuid id;
};

class RemoteApp : public vexa_ui::App, public vexa_ui::DeviceSink {
 public:
  RemoteApp();

  // --- the framework's slots
  vexa_ui::DeviceSink* as_device_sink() override { return this; }
  std::vector<vexa_ui::device_stream::DeviceRequest> take_device_requests() override;
  void on_device_event(vexa_ui::device_stream::DeviceEvent event) override;
  void sync_document(vexa::doc::Document& doc) override;
  void layout(vexa_ui::Rect content) override;
  void frame_start() override;
  void draw(vexa_ui::DrawContext& ctx) override;
  void handle_event(const vexa_ui::Event& event) override;
  std::vector<std::string> action_namespaces() const override { return {"remote.operation"}; }
  std::string app_name() const override { return "RemoteApp"; }
  vexa_ui::Rect content_rect() const override { return content_; }
  vexa_ui::AccessNode accessibility_tree() override;
  bool perform_semantic_action(std::string_view id, const vexa_ui::SemanticAction& action) override;
  void set_reduced_motion(bool reduced) override;
  bool needs_document() const override { return !doc_synced_; }
  bool wants_frame() const override;
  std::optional<vexa_actions::Resource> register_resources() override;
  std::vector<std::string> take_action_heads() override;
  vexa_actions::RunResult run_operation(const vexa_actions::EncodedAction& action) override;
  vexa_actions::StartResult start_operation(const vexa_actions::EncodedAction& action,
                                            vexa_actions::OperationHandle handle) override;
  vexa_actions::PollResult poll_operation(vexa_actions::OperationHandle handle, bool cancel) override;
  bool needs_repaint() const override { return needs_repaint_; }
  void clear_repaint() override { needs_repaint_ = false; }

  // --- commands
  void execute(const ViewCommand& command);

  // --- state, read by the views and tests
  std::array<vexa_ui::TextInput, 6> inputs;
  std::optional<std::size_t> focused_input;
  std::vector<profiles::ConnectionProfile> profiles;
  std::vector<NearbyDevice> nearby_devices;
  std::string search_query;
  FormFields form;
  FormFlags form_flags;
  Screen screen = Screen::List;
  Uuid editing_id;
  std::optional<Uuid> selected;
  SessionTarget session_target;
  session::SessionManager sessions;
  std::optional<PendingConfirmation> pending_confirmation;
  std::optional<std::string> notice;
  std::optional<bool> nav_choice;  // explicit open/closed over the layout's default
  vexa_ui::nav_split::FlapState flap;
  NavForced nav_forced = NavForced::None;
  bool scale_fit = true;
  bool fullscreen = false;
  bool reduced_motion = false;
  double list_scroll = 0;
  double list_scroll_max = 0;
  vexa_ui::Point pointer{-1, -1};
  vexa_ui::TooltipHost tooltips;
  std::vector<HitRegion> hit_regions;
  bool sample_workspace = false;
  std::optional<PendingOperation> pending_operation;
  double scale = 1;  // physical pixels per logical pixel, from the last frame

  // --- helpers used across commands and views
  const profiles::ConnectionProfile* find_profile(const Uuid& id) const;
  profiles::ConnectionProfile* find_profile(const Uuid& id);
  std::vector<const profiles::ConnectionProfile*> visible() const;
  std::optional<Uuid> first_visible() const;
  bool narrow() const;
  bool nav_open() const;  // the panel's current target state
  void focus_input(std::optional<std::size_t> index);
  void refill_inputs();
  void repair_selection();
  void scroll_to_selected();
  void mark_repaint() { needs_repaint_ = true; }
  void start_session(const Uuid& id);
  void end_session();
  void set_search(std::string text);
  void remember_list_metrics(double pitch, double viewport_height) {
    last_list_pitch_ = pitch;
    last_viewport_height_ = viewport_height;
  }
  // True when a session surface is open for the profile and the identity has not moved on.
  bool is_current(const Uuid& id, session::SessionId identity) const;
  // True while the profile's SSH terminal session is connected.
  bool ssh_terminal_connected(const Uuid& id) const;
  // Queues text for the profile's SSH terminal; an error text when it cannot be taken.
  std::optional<std::string> send_text(const Uuid& id, const std::string& text, bool tracked);
  // The state of the tracked delivery of the pending SendText.
  vexa_actions::PollResult poll_delivery_outcome();
  // Dispatches a typed profile change through the action framework to the document.
  void dispatch_remote_action(const actions::RemoteAction& action);
  // The host-key decision the current SSH session of this profile waits for, if any.
  std::optional<WaitingHostKey> waiting_host_key(const Uuid& id) const;

 private:
  void on_form_text_changed(std::size_t index);
  void save_form();
  void ask_connect(const Uuid& id);
  void ask_delete(const Uuid& id);
  void ask_trust_key(const Uuid& id);
  void ask_forget_key(const Uuid& id);
  void confirm();
  void confirm_trust(const PendingConfirmation& pending, const profiles::ConnectionProfile& profile);
  void confirm_forget(const profiles::ConnectionProfile& profile);
  std::optional<std::string> run_decoded(const actions::RemoteOperation& op);
  std::optional<std::string> trust_observed_key(const Uuid& id, const ssh::HostKeyIdentity& observed);
  std::optional<std::string> forget_changed_key(const Uuid& id);
  void toggle_favorite(const Uuid& id);
  // Typed profile changes for the shared document.
  void publish_upsert(const profiles::ConnectionProfile& profile);
  void publish_favorite(const Uuid& id, bool favorite);
  void publish_delete(const Uuid& id);
  void move_selection(int delta);
  bool handle_key(const vexa_ui::Key& key);
  // Input that a live session takes (keys and pointer on its surface); true when taken.
  bool session_key(const vexa_ui::Key& key);
  bool device_key(const vexa_ui::Key& key);
  bool session_pointer(const vexa_ui::Event& event);
  void handle_pointer(const vexa_ui::Event& event);
  // Frame-start work of a live session: shell output into the terminal, a newer desktop image.
  void frame_start_session();

  vexa::doc::Document* doc_ = nullptr;  // owned by the framework, set at the first sync
  vexa_actions::LocalTransport transport_;
  std::optional<std::vector<std::string>> action_heads_;
  std::optional<vexa::sys::SessionStatus> last_status_;
  std::optional<ssh::DeliveryTicket> delivery_ticket_;
  vexa_ui::Rect content_;
  bool needs_repaint_ = true;
  bool doc_synced_ = false;
  double last_list_pitch_ = 0;
  double last_viewport_height_ = 0;
  std::chrono::steady_clock::time_point last_frame_{};
};

}  // namespace app
