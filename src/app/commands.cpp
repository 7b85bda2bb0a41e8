// The central command handler: what each view command does to the application state.
#include "app/remote_app.hpp"

namespace app {

namespace {
template <class... Ts>
struct overloaded : Ts... {
  using Ts::operator()...;
};
}  // namespace

void RemoteApp::execute(const ViewCommand& command) {
  needs_repaint_ = true;
  std::visit(
      overloaded{
          [&](const cmd::OpenList&) {
            screen = Screen::List;
            focus_input(std::nullopt);
          },
          [&](const cmd::OpenNewForm&) {
            form = FormFields{};
            form_flags = FormFlags{};
            screen = Screen::FormNew;
            refill_inputs();
            focused_input = kName;
          },
          [&](const cmd::OpenEditForm& c) {
            const auto* p = find_profile(c.id);
            if (!p) return;
            form = FormFields::from_profile(*p);
            form_flags = FormFlags{};
            screen = Screen::FormEdit;
            editing_id = c.id;
            refill_inputs();
            focused_input = kName;
          },
          [&](const cmd::Connect& c) { start_session(c.id); },
          [&](const cmd::AskConnect& c) { ask_connect(c.id); },
          [&](const cmd::Select& c) { selected = c.id; },
          [&](const cmd::ToggleFavorite& c) { toggle_favorite(c.id); },
          [&](const cmd::AskDelete& c) { ask_delete(c.id); },
          [&](const cmd::AskTrustKey& c) { ask_trust_key(c.id); },
          [&](const cmd::AskForgetKey& c) { ask_forget_key(c.id); },
          [&](const cmd::Confirm&) { confirm(); },
          [&](const cmd::CancelConfirmation&) {
            pending_confirmation.reset();
            notice = "Action cancelled. No connection or profile was changed.";
          },
          [&](const cmd::FocusField& c) {
            if (c.index < inputs.size()) focus_input(c.index);
          },
          [&](const cmd::ChooseKind& c) {
            choose_kind(form, c.kind);
            refill_inputs();
          },
          [&](const cmd::ChooseAuth& c) { form.auth = c.auth; },
          [&](const cmd::SaveForm&) { save_form(); },
          [&](const cmd::CancelForm&) {
            screen = Screen::List;
            focus_input(std::nullopt);
          },
          [&](const cmd::ToggleScale&) { scale_fit = !scale_fit; },
          [&](const cmd::ToggleFullscreen&) { fullscreen = !fullscreen; },
          [&](const cmd::CloseSession&) { end_session(); },
          [&](const cmd::ChooseDevice& c) {
            if (c.index >= nearby_devices.size()) return;
            const auto& device = nearby_devices[c.index];
            form.name = device.name;
            form.host = device.endpoint_id;
            form.auth = AuthMethod::DeviceIdentity;
            form.kind = ConnectionKind::Vexa;
            form.port.clear();
            refill_inputs();
            focus_input(kName);
          },
          [&](const cmd::ToggleNavigation&) { nav_choice = !nav_open(); },
      },
      command);
}

void RemoteApp::toggle_favorite(const Uuid& id) {
  auto* p = find_profile(id);
  if (!p) return;
  p->favorite = !p->favorite;
  publish_favorite(id, p->favorite);
}

void RemoteApp::save_form() {
  auto messages = validate_form(form);
  if (!messages.empty()) {
    form_flags.submit_attempted = true;
    if (profiles::trim(form.name).empty()) {
      focus_input(kName);
    } else if (profiles::trim(form.host).empty() || form.kind == ConnectionKind::Vexa) {
      focus_input(kHost);
    } else if (profiles::trim(form.port).empty()) {
      focus_input(kPort);
    }
    return;
  }
  Uuid id = screen == Screen::FormEdit ? editing_id : Uuid::new_v4();
  auto profile = build_profile(form, id);
  if (auto* existing = find_profile(id)) {
    profile.presence = existing->presence;
    profile.favorite = existing->favorite;
    profile.last_used = existing->last_used;
    *existing = profile;
  } else {
    profiles.push_back(profile);
  }
  publish_upsert(profile);
  selected = id;
  screen = Screen::List;
  focus_input(std::nullopt);
}

void RemoteApp::start_session(const Uuid& id) {
  auto* p = find_profile(id);
  if (!p) return;
  auto started = sessions.start(*p);
  session_target = {true, id};
  screen = Screen::Session;
  if (started == session::SessionManager::Started::Exhausted) return;
  fullscreen = false;
  if (started == session::SessionManager::Started::Started) p->last_used = "just now";
}

void RemoteApp::end_session() {
  sessions.end();
  session_target.open = false;
  fullscreen = false;
  screen = Screen::List;
  needs_repaint_ = true;
}

}  // namespace app
