// The shared document and the typed profile changes that keep it in step with the list.
#include "app/remote_app.hpp"

namespace app {

void RemoteApp::sync_document(vexa::doc::Document&) {
  doc_synced_ = true;
  needs_repaint_ = true;
}

void RemoteApp::publish_upsert(const profiles::ConnectionProfile&) {}
void RemoteApp::publish_favorite(const Uuid&, bool) {}
void RemoteApp::publish_delete(const Uuid&) {}

}  // namespace app
