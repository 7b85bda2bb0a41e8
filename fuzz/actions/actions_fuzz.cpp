// Untrusted payload text through the strict reader and both decoders; whatever decodes must
// encode and decode back to the same value, and a decoded action must apply to a document and
// read back.
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <variant>

#include "actions/apply_action.hpp"
#include "actions/remote_action.hpp"
#include "platform/actions/context.hpp"
#include "profiles/profile_document.hpp"

namespace {

template <class T, class Encode, class Decode>
void round_trip(const T& value, Encode encode, Decode decode) {
  auto text = vexa_actions::dump_json(encode(value));
  auto again = vexa_actions::parse_json(text);
  if (!again) std::abort();
  auto back = decode(*again);
  // Invalid UTF-8 is replaced on output, so only valid text must come back unchanged.
  if (back && *back == value) return;
  if (!back || text.find("\xEF\xBF\xBD") == std::string::npos) std::abort();
}

// An upsert must be readable right after it is applied; the other actions only must not crash.
void apply_and_load(const actions::RemoteAction& action) {
  vexa::doc::Document doc;
  actions::apply_action(doc, action);
  auto loaded = profiles::load_profiles(doc);
  const auto* upsert = std::get_if<actions::UpsertConnection>(&action);
  if (!upsert) return;
  if (loaded.size() != 1 || loaded[0].id != upsert->id || loaded[0].port != upsert->port ||
      loaded[0].host != upsert->host || loaded[0].kind != upsert->kind || loaded[0].name != upsert->name) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto json = vexa_actions::parse_json(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!json) return 0;
  (void)vexa_actions::context::summarize(*json);
  if (auto action = actions::decode_action(*json)) {
    round_trip(*action, [](const auto& a) { return actions::encode_action(a); },
               [](const auto& j) { return actions::decode_action(j); });
    apply_and_load(*action);
  }
  if (auto operation = actions::decode_operation(*json)) {
    round_trip(*operation, [](const auto& o) { return actions::encode_operation(o); },
               [](const auto& j) { return actions::decode_operation(j); });
  }
  return 0;
}
