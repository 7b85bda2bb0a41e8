// Accessibility identifiers to commands, for assistive tools and automation.
#include "app/remote_app.hpp"

namespace app {

namespace {

using vexa_ui::SemanticKind;

constexpr std::string_view kFields[] = {"search", "name", "host", "port", "user", "group"};

std::optional<std::size_t> field_index(std::string_view name) {
  for (std::size_t i = 0; i < std::size(kFields); ++i) {
    if (kFields[i] == name) return i;
  }
  return std::nullopt;
}

std::optional<std::size_t> parse_index(std::string_view text) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string_view::npos) return std::nullopt;
  return std::stoul(std::string(text));
}

}  // namespace

bool RemoteApp::perform_semantic_action(std::string_view id, const vexa_ui::SemanticAction& action) {
  const SemanticKind kind = action.kind;
  auto run = [&](ViewCommand c) {
    execute(c);
    return true;
  };
  if (pending_confirmation) {
    if (kind != SemanticKind::Activate) return false;
    if (id == "remote.confirmation.cancel") return run(cmd::CancelConfirmation{});
    if (id == "remote.confirmation.confirm") return run(cmd::Confirm{});
    return false;
  }
  if (id.starts_with("remote.field:")) {
    auto index = field_index(id.substr(13));
    if (!index) return false;
    if (kind == SemanticKind::SetValue) {
      std::string value = *index == kPort ? digits_only(action.value) : action.value;
      execute(cmd::FocusField{*index});
      inputs[*index].set_text(value);
      on_form_text_changed(*index);
      return true;
    }
    if (kind != SemanticKind::Activate && kind != SemanticKind::Focus) return false;
    return run(cmd::FocusField{*index});
  }
  if (kind == SemanticKind::SetValue) return false;
  if (id.starts_with("remote.kind:")) {
    if (kind != SemanticKind::Activate && kind != SemanticKind::Toggle) return false;
    auto token = id.substr(12);
    for (auto k : profiles::kAllKinds) {
      if (profiles::kind_token(k) == token) return run(cmd::ChooseKind{k});
    }
    return false;
  }
  if (id.starts_with("remote.auth:")) {
    if (kind != SemanticKind::Activate && kind != SemanticKind::Toggle) return false;
    auto token = id.substr(12);
    AuthMethod auth = token == "public-key" ? AuthMethod::PublicKey
                      : token == "device-identity" ? AuthMethod::DeviceIdentity
                                                   : AuthMethod::Password;
    if (!profiles::auth_allowed(auth, form.kind)) return false;
    return run(cmd::ChooseAuth{auth});
  }
  if (id.starts_with("remote.device:")) {
    if (kind != SemanticKind::Activate && kind != SemanticKind::Focus) return false;
    auto index = parse_index(id.substr(14));
    if (!index) return false;
    return run(cmd::ChooseDevice{*index});
  }
  if (id.starts_with("remote.connection:")) {
    auto rest = id.substr(18);
    auto colon = rest.find(':');
    auto uuid = profiles::Uuid::parse(rest.substr(0, colon));
    if (!uuid) return false;
    if (colon == std::string_view::npos) {
      if (kind != SemanticKind::Reveal) return false;
      auto list = visible();
      for (auto* p : list) {
        if (p->id == *uuid) {
          selected = *uuid;
          scroll_to_selected();
          needs_repaint_ = true;
          return true;
        }
      }
      return false;
    }
    auto verb = rest.substr(colon + 1);
    if (verb == "select" && (kind == SemanticKind::Activate || kind == SemanticKind::Focus)) return run(cmd::Select{*uuid});
    if (verb == "favorite" && (kind == SemanticKind::Activate || kind == SemanticKind::Toggle)) return run(cmd::ToggleFavorite{*uuid});
    if (kind != SemanticKind::Activate) return false;
    if (verb == "edit") return run(cmd::OpenEditForm{*uuid});
    if (verb == "connect") return run(cmd::AskConnect{*uuid});
    if (verb == "delete") return run(cmd::AskDelete{*uuid});
    if (verb == "trust-key") return run(cmd::AskTrustKey{*uuid});
    if (verb == "forget-key") return run(cmd::AskForgetKey{*uuid});
    return false;
  }
  if (id == "remote.session.scale" && (kind == SemanticKind::Activate || kind == SemanticKind::Toggle)) {
    return run(cmd::ToggleScale{});
  }
  if (kind != SemanticKind::Activate) return false;
  if (id == "remote.nav.toggle") return run(cmd::ToggleNavigation{});
  if (id == "remote.nav.list") return run(cmd::OpenList{});
  if (id == "remote.connection.new") return run(cmd::OpenNewForm{});
  if (id == "remote.form.cancel") return run(cmd::CancelForm{});
  if (id == "remote.form.save") return run(cmd::SaveForm{});
  if (id == "remote.session.disconnect") return run(cmd::CloseSession{});
  if (id == "remote.session.fullscreen") return run(cmd::ToggleFullscreen{});
  return false;
}

}  // namespace app
