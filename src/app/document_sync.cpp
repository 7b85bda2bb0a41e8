// The shared document and the typed profile changes that keep it in step with the list.
#include "app/remote_app.hpp"

namespace app {

void RemoteApp::sync_document(vexa::doc::Document&) {
  doc_synced_ = true;
  needs_repaint_ = true;
}

void RemoteApp::publish_upsert(const profiles::ConnectionProfile& p) {
  dispatch_remote_action(actions::UpsertConnection{p.id, p.name, p.host, p.port, p.user, p.kind, p.auth, p.group});
}
void RemoteApp::publish_favorite(const Uuid& id, bool favorite) {
  dispatch_remote_action(actions::SetFavorite{id, favorite});
}
void RemoteApp::publish_delete(const Uuid& id) { dispatch_remote_action(actions::DeleteConnection{id}); }

void RemoteApp::dispatch_remote_action(const actions::RemoteAction&) {}

std::vector<std::string> RemoteApp::take_action_heads() { return {}; }

}  // namespace app
