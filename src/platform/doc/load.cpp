#include "platform/doc/document.hpp"
#include "platform/doc/format.hpp"
#include "platform/doc/state.hpp"
#include "platform/doc/utf8.hpp"
#include "platform/doc/uuid_key.hpp"

#include <fmt/format.h>
#include <zlib.h>

namespace vexa::doc {

namespace {

using namespace detail;

std::unexpected<LoadError> corrupted(std::string_view why) {
  return std::unexpected(LoadError{fmt::format("the document file is corrupted ({})", why)});
}

// Parses a body into a fresh state. Every count is checked against the bytes left before it
// sizes anything, and every reference is checked before it is used.
struct Decoder {
  Reader r;
  State& s;
  std::uint64_t last = 0;
  std::vector<std::string> key_table;
  std::string error;

  bool bad(std::string_view why) {
    if (error.empty()) error = why;
    return false;
  }

  bool op_id(OpId& out) {
    last += static_cast<std::uint64_t>(unzigzag(r.varint()));
    std::uint64_t actor = r.varint();
    if (r.failed()) return false;
    if (actor >= s.clocks.size() || last == 0 || last > s.clocks[actor].max_op) {
      return bad("operation id out of range");
    }
    out = OpId{last, static_cast<std::uint32_t>(actor)};
    return true;
  }

  bool actors() {
    std::size_t n = r.count(18);
    for (std::size_t i = 0; i < n; ++i) {
      ActorId actor;
      auto bytes = r.raw(16);
      if (r.failed()) return false;
      std::copy(bytes.begin(), bytes.end(), actor.begin());
      if (s.intern_actor(actor) != i) return bad("repeated actor");
    }
    for (Clock& c : s.clocks) {
      c.seq = r.varint();
      c.max_op = r.varint();
      // Far past anything real, and it keeps new counters from wrapping around.
      if (c.max_op > kMaxCounter) return bad("operation counter out of range");
      s.max_counter = std::max(s.max_counter, c.max_op);
    }
    return !r.failed();
  }

  bool heads() {
    std::size_t n = r.count(34);
    for (std::size_t i = 0; i < n && !r.failed(); ++i) {
      Head h;
      auto bytes = r.raw(32);
      std::copy(bytes.begin(), bytes.end(), h.hash.begin());
      std::uint64_t actor = r.varint();
      h.seq = r.varint();
      if (r.failed()) return false;
      if (actor >= s.clocks.size() || h.seq == 0 || h.seq > s.clocks[actor].seq) {
        return bad("head out of range");
      }
      h.actor = static_cast<std::uint32_t>(actor);
      if (!s.heads.empty() && !(s.heads.back().hash < h.hash)) return bad("heads out of order");
      s.heads.push_back(h);
    }
    return !r.failed();
  }

  bool key(std::string& out) {
    std::uint64_t code = r.varint();
    if (code == kKeyUuid) {
      auto bytes = r.raw(16);
      if (r.failed()) return false;
      out = uuid_key_text(reinterpret_cast<const std::uint8_t*>(bytes.data()));
    } else if (code == kKeyLiteral) {
      out = r.str();
      key_table.push_back(out);
    } else if (code - kKeyTableBase < key_table.size()) {
      out = key_table[code - kKeyTableBase];
    } else {
      return r.failed() ? false : bad("unknown key reference");
    }
    return !r.failed();
  }

  bool value(Value& out) {
    switch (r.u8()) {
      case kString: out = std::string(r.str()); break;
      case kUnsigned: out = r.varint(); break;
      case kFalse: out = false; break;
      case kTrue: out = true; break;
      case kMapRef: out = ObjectRef{ObjId{}, ObjType::Map}; break;
      case kTextRef: out = ObjectRef{ObjId{}, ObjType::Text}; break;
      default: return r.failed() ? false : bad("unknown value type");
    }
    return !r.failed();
  }

  bool slot(Slot& slot) {
    std::size_t n = r.count(3);
    if (n == 0) return r.failed() ? false : bad("empty key");
    if (n == 1) {
      Entry e;
      if (!op_id(e.id) || !value(e.value)) return false;
      slot.entries.assign_one(std::move(e));
      return true;
    }
    std::vector<Entry> entries(n);
    for (std::size_t i = 0; i < n; ++i) {
      Entry& e = entries[i];
      if (!op_id(e.id) || !value(e.value)) return false;
      if (i > 0 && !s.before(entries[i - 1].id, e.id)) return bad("entries out of order");
    }
    slot.entries.assign(std::move(entries));
    return true;
  }

  bool map(Object& o) {
    std::size_t n = r.count(4);
    std::string k;
    for (std::size_t i = 0; i < n; ++i) {
      if (!key(k)) return false;
      if (!o.keys.empty() && !(o.keys.rbegin()->first < k)) return bad("keys out of order");
      if (!slot(o.keys.emplace_hint(o.keys.end(), std::move(k), Slot{})->second)) return false;
    }
    return !r.failed();
  }

  bool run(Object& o) {
    Elem e;
    if (!op_id(e.id)) return false;
    std::uint8_t has_origin = r.u8();
    if (has_origin > 1) return r.failed() ? false : bad("bad text origin");
    if (has_origin && !op_id(e.origin)) return false;
    std::uint8_t deleted = r.u8();
    std::string_view utf8 = r.str();
    if (r.failed()) return false;
    if (deleted > 1 || utf8.empty()) return bad("bad text run");
    e.deleted = deleted;
    std::size_t first = o.elems.size();
    o.elems.reserve(first + utf8.size());
    std::uint64_t room = s.clocks[e.id.actor].max_op - e.id.counter;
    bool ok = decode_utf8_each(utf8, [&](char32_t ch) {
      if (o.elems.size() > first && room-- == 0) return false;
      e.ch = ch;
      o.elems.push_back(e);
      e.origin = e.id;
      ++e.id.counter;
      return true;
    });
    if (!ok) return bad("bad text run");
    if (!deleted) o.visible += o.elems.size() - first;
    return true;
  }

  bool text(Object& o) {
    std::size_t n = r.count(5);
    for (std::size_t i = 0; i < n; ++i) {
      if (!run(o)) return false;
    }
    return !r.failed();
  }

  bool object(bool root) {
    OpId id{};
    if (!root && !op_id(id)) return false;
    std::uint8_t type = r.u8();
    if (type > 1) return r.failed() ? false : bad("unknown object type");
    if (root && type != 0) return bad("root is not a map");
    if (!root) {
      if (!s.before(s.objects.back().id, id)) return bad("objects out of order");
      s.add_object(id, static_cast<ObjType>(type));
    }
    Object& o = s.objects.back();
    return type == 0 ? map(o) : text(o);
  }

  // Entries that hold objects name them by op id; point them at the loaded objects.
  bool link_objects() {
    for (Object& o : s.objects) {
      for (auto& [k, slot] : o.keys) {
        for (Entry& e : slot.entries) {
          auto* ref = std::get_if<ObjectRef>(&e.value);
          if (!ref) continue;
          auto it = s.object_index.find(e.id);
          if (it == s.object_index.end() || s.objects[it->second].type != ref->type) {
            return bad("missing nested object");
          }
          ref->id.index = it->second;
        }
      }
    }
    return true;
  }

  bool body() {
    if (!actors() || !heads()) return false;
    std::size_t n = r.count(2);
    if (n == 0) return r.failed() ? false : bad("no root object");
    s.objects.clear();
    s.object_index.clear();
    s.objects.reserve(n);
    s.object_index.reserve(n);
    s.objects.emplace_back(&s.pool);
    s.object_index.emplace(OpId{}, 0);
    for (std::size_t i = 0; i < n; ++i) {
      if (!object(i == 0)) return false;
    }
    if (!r.at_end()) return bad("trailing bytes");
    return link_objects();
  }
};

std::expected<std::string, LoadError> inflate_body(std::string_view payload, std::size_t size) {
  std::string body(size, '\0');
  uLongf out = size;
  uLong in = payload.size();
  int rc = uncompress2(reinterpret_cast<Bytef*>(body.data()), &out,
                       reinterpret_cast<const Bytef*>(payload.data()), &in);
  if (rc != Z_OK || out != size || in != payload.size()) return corrupted("bad compressed data");
  return body;
}

// Checks the frame around the body and returns the body.
std::expected<std::string, LoadError> unwrap(std::string_view file) {
  if (file.size() < kMagic.size() || file.substr(0, kMagic.size()) != kMagic) {
    if (kMagic.starts_with(file)) {
      return std::unexpected(LoadError{"the document file is truncated"});
    }
    return std::unexpected(LoadError{"the file is not a saved document"});
  }
  Reader r(file.substr(kMagic.size()));
  std::uint64_t version = r.varint();
  std::uint8_t compression = r.u8();
  std::uint64_t body_size = r.varint();
  std::uint64_t payload_size = r.varint();
  if (!r.failed() && version > kFormatVersion) {
    return std::unexpected(LoadError{fmt::format(
        "the document file was written by a newer version (format {}); this version reads "
        "format {}",
        version, kFormatVersion)});
  }
  if (r.failed() || r.remaining() < payload_size || r.remaining() - payload_size < 32) {
    return std::unexpected(LoadError{"the document file is truncated"});
  }
  if (r.remaining() - payload_size > 32) return corrupted("trailing bytes");
  std::size_t framed = file.size() - 32;
  ChangeHash sum = sha256(file.substr(0, framed));
  if (file.substr(framed) != std::string_view(reinterpret_cast<const char*>(sum.data()), 32)) {
    return corrupted("checksum mismatch");
  }
  if (version == 0 || compression > kDeflate) return corrupted("unknown encoding");
  std::string_view payload = r.raw(payload_size);
  if (compression == kRaw) {
    if (body_size != payload_size) return corrupted("length mismatch");
    return std::string(payload);
  }
  // Deflate cannot expand by more than about 1032 to 1.
  if (body_size > kMaxBody || body_size > payload_size * 1032 + 64) {
    return corrupted("implausible length");
  }
  return inflate_body(payload, body_size);
}

}  // namespace

std::expected<Document, LoadError> Document::load(std::string_view bytes) {
  auto body = unwrap(bytes);
  if (!body) return std::unexpected(body.error());
  auto state = std::make_unique<State>();
  Decoder d{Reader(*body), *state, 0, {}, {}};
  if (!d.body()) return corrupted(d.error.empty() ? "truncated body" : d.error);
  state->self = state->intern_actor(random_actor());
  return Document(std::move(state));
}

}  // namespace vexa::doc
