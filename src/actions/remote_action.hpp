#pragma once
// The two closed vocabularies the application exchanges with the suite as JSON: profile changes
// (kind "remote.action", replicated into the shared document) and view and session operations
// (kind "remote.operation", never stored). Other applications build and read these payloads, so
// names, field order and error texts are an external interface.
#include <cstdint>
#include <expected>
#include <string>
#include <string_view>
#include <variant>

#include "platform/actions/encoded_action.hpp"
#include "platform/actions/json.hpp"
#include "profiles/connection_profile.hpp"
#include "profiles/uuid.hpp"
#include "ssh/host_key_identity.hpp"

namespace actions {

using vexa_actions::Json;

inline constexpr std::string_view kActionKind = "remote.action";
inline constexpr std::string_view kOperationKind = "remote.operation";

struct UpsertConnection {
  profiles::Uuid id;
  std::string name;
  std::string host;
  std::uint16_t port = 0;
  std::string user;
  profiles::ConnectionKind kind = profiles::ConnectionKind::Ssh;
  profiles::AuthMethod auth = profiles::AuthMethod::Password;
  std::string group;
  bool operator==(const UpsertConnection&) const = default;
};

struct RenameConnection {
  profiles::Uuid id;
  std::string name;
  bool operator==(const RenameConnection&) const = default;
};

struct SetFavorite {
  profiles::Uuid id;
  bool favorite = false;
  bool operator==(const SetFavorite&) const = default;
};

struct DeleteConnection {
  profiles::Uuid id;
  bool operator==(const DeleteConnection&) const = default;
};

using RemoteAction = std::variant<UpsertConnection, RenameConnection, SetFavorite, DeleteConnection>;

struct ShowConnections {
  bool operator==(const ShowConnections&) const = default;
};
struct NewConnectionForm {
  bool operator==(const NewConnectionForm&) const = default;
};
struct EditConnection {
  profiles::Uuid connection_id;
  bool operator==(const EditConnection&) const = default;
};
struct Connect {
  profiles::Uuid connection_id;
  bool operator==(const Connect&) const = default;
};
struct Disconnect {
  profiles::Uuid connection_id;
  bool operator==(const Disconnect&) const = default;
};
struct SendText {
  profiles::Uuid connection_id;
  std::string text;
  bool operator==(const SendText&) const = default;
};
struct TrustSshHostKey {
  profiles::Uuid connection_id;
  ssh::HostKeyIdentity observed;
  bool operator==(const TrustSshHostKey&) const = default;
};
struct ForgetSshHostKey {
  profiles::Uuid connection_id;
  bool operator==(const ForgetSshHostKey&) const = default;
};

using RemoteOperation = std::variant<ShowConnections, NewConnectionForm, EditConnection, Connect,
                                     Disconnect, SendText, TrustSshHostKey, ForgetSshHostKey>;

// An operation's contract: View only changes what is shown, Background may start work.
using ContractKind = vexa_actions::OperationType;
ContractKind contract_kind(const RemoteOperation& operation);

// Variant names as they appear on the wire ("UpsertConnection", "ShowConnections", ...).
std::string_view variant_name(const RemoteAction& action);
std::string_view variant_name(const RemoteOperation& operation);

// JSON names of the enumerations inside payloads: "Ssh", "Vnc", "Rdp", "Vexa" and
// "Password", "PublicKey", "DeviceIdentity".
std::string_view kind_json_name(profiles::ConnectionKind kind);
std::string_view auth_json_name(profiles::AuthMethod auth);

// Encoding writes fields in declaration order and cannot fail.
Json encode_action(const RemoteAction& action);
std::expected<RemoteAction, std::string> decode_action(const Json& payload);
Json encode_operation(const RemoteOperation& operation);
std::expected<RemoteOperation, std::string> decode_operation(const Json& payload);

// Encoded actions of the two kinds. An operation is left unstamped: its contract kind is what
// the invoking spec declares (vexa_actions::resource::enforce_operation_type).
vexa_actions::EncodedAction to_encoded(const RemoteAction& action);
vexa_actions::EncodedAction to_encoded(const RemoteOperation& operation);

}  // namespace actions
