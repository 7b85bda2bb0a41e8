#pragma once
// The one command vocabulary: every click, shortcut and accessibility activation ends in one
// of these, executed on the UI thread.
#include <cstddef>
#include <variant>

#include "profiles/connection_profile.hpp"

namespace app {

using profiles::AuthMethod;
using profiles::ConnectionKind;
using profiles::Uuid;

namespace cmd {
struct OpenList {};
struct OpenNewForm {};
struct OpenEditForm { Uuid id; };
struct Connect { Uuid id; };
struct AskConnect { Uuid id; };
struct Select { Uuid id; };
struct ToggleFavorite { Uuid id; };
struct AskDelete { Uuid id; };
struct AskTrustKey { Uuid id; };
struct AskForgetKey { Uuid id; };
struct Confirm {};
struct CancelConfirmation {};
struct FocusField { std::size_t index; };
struct ChooseKind { ConnectionKind kind; };
struct ChooseAuth { AuthMethod auth; };
struct SaveForm {};
struct CancelForm {};
struct ToggleScale {};
struct ToggleFullscreen {};
struct CloseSession {};
struct ChooseDevice { std::size_t index; };
struct ToggleNavigation {};
}  // namespace cmd

using ViewCommand =
    std::variant<cmd::OpenList, cmd::OpenNewForm, cmd::OpenEditForm, cmd::Connect, cmd::AskConnect,
                 cmd::Select, cmd::ToggleFavorite, cmd::AskDelete, cmd::AskTrustKey, cmd::AskForgetKey,
                 cmd::Confirm, cmd::CancelConfirmation, cmd::FocusField, cmd::ChooseKind,
                 cmd::ChooseAuth, cmd::SaveForm, cmd::CancelForm, cmd::ToggleScale,
                 cmd::ToggleFullscreen, cmd::CloseSession, cmd::ChooseDevice, cmd::ToggleNavigation>;

}  // namespace app
