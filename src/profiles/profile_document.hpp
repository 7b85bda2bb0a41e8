#pragma once
// The saved profiles inside the shared document. Schema: root["connections"] is a map keyed by
// profile id (lower-case hyphenated UUID); each value is a map with "name" (a collaborative text,
// so concurrent renames merge per character) and last-writer-wins scalars "host", "port",
// "user", "kind", "auth", "last_used", "presence", "group", "favorite".
// Reads never open a transaction; writes open the document's automatic transaction and leave
// committing to the framework. Runs on the thread that owns the document.
#include <string_view>
#include <vector>

#include "platform/doc/document.hpp"
#include "profiles/connection_profile.hpp"

namespace profiles {

// Every well-formed entry in the document's key order; keys that are not UUIDs and values that
// are not maps are skipped, and malformed fields read as their defaults.
std::vector<ConnectionProfile> load_profiles(const vexa::doc::Document& doc);

// Writes the whole profile. A scalar equal to the stored one is not written again, and the
// name changes by its smallest splice, so rewriting an unchanged profile records nothing.
void upsert_profile(vexa::doc::Document& doc, const ConnectionProfile& profile);

// These do nothing when the id has no connection map.
void rename_profile(vexa::doc::Document& doc, const Uuid& id, std::string_view name);
void set_favorite(vexa::doc::Document& doc, const Uuid& id, bool favorite);
// Deleting a missing id is not an error.
void delete_profile(vexa::doc::Document& doc, const Uuid& id);

}  // namespace profiles
