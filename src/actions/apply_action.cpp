#include "actions/apply_action.hpp"

#include <algorithm>

#include "profiles/profile_document.hpp"

namespace actions {
namespace {

using vexa::doc::Document;

void apply(Document& doc, const UpsertConnection& a) {
  profiles::ConnectionProfile p;
  p.id = a.id;
  p.name = a.name;
  p.host = a.host;
  p.port = a.port;
  p.user = a.user;
  p.kind = a.kind;
  p.auth = a.auth;
  p.group = a.group;
  p.last_used = "Never";
  auto stored = profiles::load_profiles(doc);
  auto known = std::find_if(stored.begin(), stored.end(), [&](const auto& s) { return s.id == a.id; });
  if (known != stored.end()) {
    p.presence = known->presence;
    p.favorite = known->favorite;
    p.last_used = known->last_used;
  }
  profiles::upsert_profile(doc, p);
}

void apply(Document& doc, const RenameConnection& a) { profiles::rename_profile(doc, a.id, a.name); }
void apply(Document& doc, const SetFavorite& a) { profiles::set_favorite(doc, a.id, a.favorite); }
void apply(Document& doc, const DeleteConnection& a) { profiles::delete_profile(doc, a.id); }

}  // namespace

void apply_action(Document& doc, const RemoteAction& action) {
  std::visit([&](const auto& a) { apply(doc, a); }, action);
}

void register_remote_action(vexa_actions::ActionRegistry<Document>& registry) {
  registry.register_kind(std::string(kActionKind),
                         [](Document& doc, const Json& payload, const vexa_actions::ActionContext&,
                            std::vector<vexa_actions::ActionOutput>&) -> std::expected<void, std::string> {
                           auto action = decode_action(payload);
                           if (!action) return std::unexpected(action.error());
                           apply_action(doc, *action);
                           return {};
                         });
}

}  // namespace actions
