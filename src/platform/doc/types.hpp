#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <variant>

namespace vexa::doc {

// 16 random bytes naming one replica (one open document in one process).
using ActorId = std::array<std::uint8_t, 16>;
// SHA-256 of an encoded change.
using ChangeHash = std::array<std::uint8_t, 32>;

enum class ObjType : std::uint8_t { Map = 0, Text = 1 };

// Operation id: a Lamport counter and the index of its actor in the owning document's table.
// Only meaningful inside the document that issued it.
struct OpId {
  std::uint64_t counter = 0;
  std::uint32_t actor = 0;
  friend bool operator==(const OpId&, const OpId&) = default;
};

// A handle to an object (the root, a nested map or a text). Valid for the document that
// returned it, for as long as that document lives; merges never invalidate it.
struct ObjId {
  std::uint32_t index = 0;
  friend bool operator==(const ObjId&, const ObjId&) = default;
  static constexpr ObjId root() { return ObjId{0}; }
};

struct ObjectRef {
  ObjId id;
  ObjType type = ObjType::Map;
  friend bool operator==(const ObjectRef&, const ObjectRef&) = default;
};

// What a map key holds: a scalar or a nested object.
using Scalar = std::variant<std::string, std::uint64_t, bool>;
using Value = std::variant<std::string, std::uint64_t, bool, ObjectRef>;

// A call that does not fit the document (wrong object kind, position past the end, bad UTF-8).
struct DocError {
  std::string message;
};

// A document file that could not be read; the message says why in plain words.
struct LoadError {
  std::string message;
};

}  // namespace vexa::doc
