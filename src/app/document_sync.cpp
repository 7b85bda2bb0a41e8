// The shared document and the typed profile changes that keep it in step with the list.
#include <cstdio>

#include "actions/apply_action.hpp"
#include "app/descriptor.hpp"
#include "app/remote_app.hpp"
#include "platform/actions/document_heads.hpp"
#include "platform/actions/executor.hpp"
#include "profiles/profile_document.hpp"

namespace app {

namespace bd = vexa_ui::bound_dispatch;

void RemoteApp::sync_document(vexa::doc::Document& doc) {
  doc_ = &doc;
  auto loaded = profiles::load_profiles(doc);
  needs_repaint_ = true;
  if (!doc_synced_) {
    doc_synced_ = true;
    if (loaded.empty()) {
      // A fresh document takes what the app already holds (the sample rows, or nothing).
      for (const auto& p : profiles) profiles::upsert_profile(doc, p);
    } else {
      profiles = std::move(loaded);
      repair_selection();
    }
    return;
  }
  if (loaded == profiles) return;
  profiles = std::move(loaded);
  repair_selection();
  if (session_target.open && !find_profile(session_target.id)) end_session();
}

void RemoteApp::publish_upsert(const profiles::ConnectionProfile& p) {
  dispatch_remote_action(actions::UpsertConnection{p.id, p.name, p.host, p.port, p.user, p.kind, p.auth, p.group});
}
void RemoteApp::publish_favorite(const Uuid& id, bool favorite) {
  dispatch_remote_action(actions::SetFavorite{id, favorite});
}
void RemoteApp::publish_delete(const Uuid& id) { dispatch_remote_action(actions::DeleteConnection{id}); }

void RemoteApp::dispatch_remote_action(const actions::RemoteAction& action) {
  auto encoded = actions::to_encoded(action);
  if (!doc_) {
    std::fprintf(stderr, "vexa-remote: action dispatch failed: the profile document is not open\n");
    return;
  }
  auto frame = bd::typed_action_before(*doc_, encoded);
  bd::Heads before = frame ? frame->before() : bd::document_heads(*doc_);
  if (!action_heads_) action_heads_ = before;
  auto context = vexa_actions::ActionContext{kAppId, "Remote", ""}.enriched_by(encoded);
  std::vector<vexa_actions::ActionOutput> outputs;
  const auto& actor = doc_->actor_id();
  auto result = vexa_actions::executor::dispatch_by_with_context(*doc_, action_registry(), transport_, encoded, outputs,
                                                                 actor, context);
  if (!result) {
    // The in-memory change stays; the next document sync shows what the document holds.
    std::fprintf(stderr, "vexa-remote: action dispatch failed: %s: %s\n", result.error().code.c_str(),
                 result.error().message.c_str());
    return;
  }
  bd::report_typed_action(encoded, context, std::move(before), bd::document_heads(*doc_));
}

std::vector<std::string> RemoteApp::take_action_heads() {
  auto heads = std::move(action_heads_).value_or(std::vector<std::string>{});
  action_heads_.reset();
  return heads;
}

}  // namespace app
