#include <cstdio>
#include <cstdlib>
#include <exception>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "actions/remote_action.hpp"
#include "actions/tagged_json.hpp"

namespace actions {
namespace {

constexpr std::string_view kOperationVariants[] = {
    "ShowConnections", "NewConnectionForm", "EditConnection",  "Connect",
    "Disconnect",      "SendText",          "TrustSshHostKey", "ForgetSshHostKey"};

Json encode_identity(const ssh::HostKeyIdentity& id) {
  return Json{{"algorithm", id.algorithm}, {"fingerprint", id.fingerprint}};
}

std::optional<Json> encode_fields(const ShowConnections&) { return std::nullopt; }
std::optional<Json> encode_fields(const NewConnectionForm&) { return std::nullopt; }
template <class T>
std::optional<Json> encode_fields(const T& op) {
  Json out = Json{{"connection_id", op.connection_id.to_string()}};
  if constexpr (std::is_same_v<T, SendText>) out["text"] = op.text;
  if constexpr (std::is_same_v<T, TrustSshHostKey>) out["observed"] = encode_identity(op.observed);
  return out;
}

std::expected<ssh::HostKeyIdentity, std::string> read_identity(const Json& value) {
  ssh::HostKeyIdentity id;
  const FieldSlot slots[] = {{"algorithm", into(id.algorithm, read_string)},
                             {"fingerprint", into(id.fingerprint, read_string)}};
  if (auto error = read_fields(&value, slots, "struct HostKeyIdentity", false)) return std::unexpected(*error);
  return id;
}

// Reads the fields of the variant at `index`; all but the first two carry a connection id.
template <class T>
std::expected<RemoteOperation, std::string> decode_variant(std::size_t index, const Json* content) {
  T op;
  std::optional<std::string> error;
  if constexpr (std::is_same_v<T, ShowConnections> || std::is_same_v<T, NewConnectionForm>) {
    error = read_unit_content(content);
  } else {
    std::vector<FieldSlot> slots = {{"connection_id", into(op.connection_id, read_uuid)}};
    if constexpr (std::is_same_v<T, SendText>) slots.push_back({"text", into(op.text, read_string)});
    if constexpr (std::is_same_v<T, TrustSshHostKey>) slots.push_back({"observed", into(op.observed, read_identity)});
    error = read_fields(content, slots, "struct variant RemoteOperation::" + std::string(kOperationVariants[index]), true);
  }
  if (error) return std::unexpected(std::move(*error));
  return RemoteOperation{std::move(op)};
}

template <std::size_t... I>
std::expected<RemoteOperation, std::string> decode_index(std::size_t index, const Json* content,
                                                         std::index_sequence<I...>) {
  using Decoder = std::expected<RemoteOperation, std::string> (*)(std::size_t, const Json*);
  static constexpr Decoder decoders[] = {&decode_variant<std::variant_alternative_t<I, RemoteOperation>>...};
  return decoders[index](index, content);
}

}  // namespace

std::string_view variant_name(const RemoteOperation& operation) { return kOperationVariants[operation.index()]; }

ContractKind contract_kind(const RemoteOperation& operation) {
  bool view = std::holds_alternative<ShowConnections>(operation) ||
              std::holds_alternative<NewConnectionForm>(operation) ||
              std::holds_alternative<EditConnection>(operation);
  return view ? ContractKind::View : ContractKind::Background;
}

Json encode_operation(const RemoteOperation& operation) {
  try {
    auto fields = std::visit([](const auto& op) { return encode_fields(op); }, operation);
    if (!fields) return Json(std::string(variant_name(operation)));
    Json out = Json::object();
    out[std::string(variant_name(operation))] = std::move(*fields);
    return out;
  } catch (const std::exception&) {
    std::fprintf(stderr, "RemoteOperation is always serializable\n");
    std::abort();
  }
}

std::expected<RemoteOperation, std::string> decode_operation(const Json& payload) {
  auto tag = read_tag(payload, kOperationVariants);
  if (!tag) return std::unexpected(tag.error());
  return decode_index(tag->index, tag->content, std::make_index_sequence<std::variant_size_v<RemoteOperation>>{});
}

vexa_actions::EncodedAction to_encoded(const RemoteOperation& operation) {
  return {std::string(kOperationKind), encode_operation(operation), std::nullopt};
}

}  // namespace actions
