#pragma once
// A mergeable document: a root map holding nested maps, texts and scalars (string, unsigned,
// boolean). Every replica applies the same rules, so replicas that have seen the same changes
// hold the same state:
//   - a map key is last-writer-wins by operation id (Lamport counter, then actor bytes); writes
//     made without seeing each other are both kept and the greater id is the value read;
//   - a text is a sequence of characters; concurrent inserts and deletes merge per character.
// Local edits go into an automatic transaction; commit() closes it into a change whose SHA-256
// hash covers its actor, sequence number, dependencies (the heads it saw) and operations.
// Not thread-safe: one thread owns a document.
#include "platform/doc/types.hpp"

#include <cstddef>
#include <expected>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexa::doc {

namespace detail {
struct State;
}

class Document {
 public:
  // A new empty document with a fresh random actor.
  Document();
  // The same, with a given actor (tests; two live replicas must never share an actor).
  explicit Document(const ActorId& actor);
  ~Document();
  Document(Document&&) noexcept;
  Document& operator=(Document&&) noexcept;

  const ActorId& actor_id() const;

  // Reads. They never open a transaction.
  std::optional<Value> get(ObjId obj, std::string_view key) const;
  // Every value at the key, the winner last: more than one after concurrent writes.
  std::vector<Value> get_all(ObjId obj, std::string_view key) const;
  // Keys of a map in byte order; empty for anything else.
  std::vector<std::string> keys(ObjId obj) const;
  std::size_t size(ObjId obj) const;  // keys of a map, characters of a text
  std::optional<ObjType> type(ObjId obj) const;
  std::optional<std::string> text(ObjId obj) const;

  // Writes. Each opens the automatic transaction when none is open.
  std::expected<void, DocError> put(ObjId obj, std::string_view key, Scalar value);
  std::expected<ObjId, DocError> put_object(ObjId obj, std::string_view key, ObjType type);
  // The document's delete (`delete` is a keyword). Deleting a key that holds nothing is not an
  // error and records nothing.
  std::expected<void, DocError> remove(ObjId obj, std::string_view key);
  // Removes `remove` characters at `pos` and inserts `insert` (UTF-8) there; positions count
  // Unicode scalar values.
  std::expected<void, DocError> splice_text(ObjId obj, std::size_t pos, std::size_t remove,
                                            std::string_view insert);

  // Closes the open transaction into a change; false when it holds no operation.
  bool commit();
  bool has_pending() const;

  // These commit the open transaction first.
  std::vector<ChangeHash> heads();
  std::string save();
  // Takes every change of `other` this document has not seen. Idempotent and commutative:
  // a.merge(b) and b.merge(a) leave equal states and heads.
  void merge(Document& other);

  // Reads a saved document; the loaded replica gets a fresh actor of its own.
  static std::expected<Document, LoadError> load(std::string_view bytes);

 private:
  explicit Document(std::unique_ptr<detail::State> state);
  std::unique_ptr<detail::State> state_;
};

// The smallest splice turning `old_text` into `new_text`: the common prefix and suffix are
// kept; positions count characters and no UTF-8 sequence is split.
struct TextSplice {
  std::size_t pos = 0;
  std::size_t remove = 0;
  std::string insert;
  friend bool operator==(const TextSplice&, const TextSplice&) = default;
};
TextSplice smallest_splice(std::string_view old_text, std::string_view new_text);

// Changes the text object to `new_text` with the smallest splice: the common prefix and suffix,
// counted in characters, are kept.
std::expected<void, DocError> splice_text_diffed(Document& doc, ObjId text,
                                                 std::string_view new_text);

}  // namespace vexa::doc

namespace vexa_ui::doc {
using namespace vexa::doc;
}
