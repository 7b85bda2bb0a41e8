#include "platform/doc/document.hpp"
#include "platform/doc/format.hpp"
#include "platform/doc/state.hpp"
#include "platform/doc/utf8.hpp"
#include "platform/doc/uuid_key.hpp"

#include <zlib.h>

#include <algorithm>
#include <numeric>
#include <unordered_map>

namespace vexa::doc {

namespace {

using namespace detail;

struct Encoder {
  const State& s;
  Writer w;
  std::vector<std::uint32_t> rank;  // actor index -> position in the saved table
  std::uint64_t last = 0;
  std::unordered_map<std::string_view, std::uint64_t> key_table;

  void op_id(OpId id) {
    w.varint(zigzag(static_cast<std::int64_t>(id.counter - last)));
    last = id.counter;
    w.varint(rank[id.actor]);
  }

  void actors() {
    std::vector<std::uint32_t> used;
    for (std::uint32_t i = 0; i < s.actors.size(); ++i) {
      if (s.clocks[i].seq > 0 || s.clocks[i].max_op > 0) used.push_back(i);
    }
    std::sort(used.begin(), used.end(),
              [&](auto x, auto y) { return s.actors[x] < s.actors[y]; });
    rank.assign(s.actors.size(), 0);
    w.varint(used.size());
    for (std::uint32_t r = 0; r < used.size(); ++r) {
      rank[used[r]] = r;
      w.raw({reinterpret_cast<const char*>(s.actors[used[r]].data()), 16});
    }
    for (auto i : used) {
      w.varint(s.clocks[i].seq);
      w.varint(s.clocks[i].max_op);
    }
  }

  void heads() {
    w.varint(s.heads.size());
    for (const Head& h : s.heads) {
      w.raw({reinterpret_cast<const char*>(h.hash.data()), 32});
      w.varint(rank[h.actor]);
      w.varint(h.seq);
    }
  }

  void key(const std::string& k) {
    if (auto uuid = uuid_key_bytes(k)) {
      w.u8(kKeyUuid);
      w.raw({reinterpret_cast<const char*>(uuid->data()), 16});
      return;
    }
    auto [it, added] = key_table.try_emplace(k, key_table.size());
    if (!added) {
      w.varint(kKeyTableBase + it->second);
      return;
    }
    w.u8(kKeyLiteral);
    w.str(k);
  }

  void value(const Value& v) {
    if (auto* str = std::get_if<std::string>(&v)) {
      w.u8(kString);
      w.str(*str);
    } else if (auto* u = std::get_if<std::uint64_t>(&v)) {
      w.u8(kUnsigned);
      w.varint(*u);
    } else if (auto* b = std::get_if<bool>(&v)) {
      w.u8(*b ? kTrue : kFalse);
    } else {
      w.u8(std::get<ObjectRef>(v).type == ObjType::Map ? kMapRef : kTextRef);
    }
  }

  void map(const Object& o) {
    w.varint(o.keys.size());
    for (const auto& [k, slot] : o.keys) {
      key(k);
      w.varint(slot.entries.size());
      for (const Entry& e : slot.entries) {
        op_id(e.id);
        value(e.value);
      }
    }
  }

  static bool continues(const Elem& prev, const Elem& next) {
    return next.id.actor == prev.id.actor && next.id.counter == prev.id.counter + 1 &&
           next.origin == prev.id && next.deleted == prev.deleted;
  }

  void text(const Object& o) {
    std::vector<std::pair<std::size_t, std::size_t>> runs;
    for (std::size_t i = 0; i < o.elems.size();) {
      std::size_t j = i + 1;
      while (j < o.elems.size() && continues(o.elems[j - 1], o.elems[j])) ++j;
      runs.emplace_back(i, j);
      i = j;
    }
    w.varint(runs.size());
    std::string chars;
    for (auto [begin, end] : runs) {
      const Elem& first = o.elems[begin];
      op_id(first.id);
      w.u8(first.origin.counter == 0 ? 0 : 1);
      if (first.origin.counter != 0) op_id(first.origin);
      w.u8(first.deleted);
      chars.clear();
      for (std::size_t i = begin; i < end; ++i) append_utf8(chars, o.elems[i].ch);
      w.str(chars);
    }
  }

  void objects() {
    std::vector<std::uint32_t> order(s.objects.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin() + 1, order.end(),
              [&](auto x, auto y) { return s.before(s.objects[x].id, s.objects[y].id); });
    w.varint(order.size());
    for (auto index : order) {
      const Object& o = s.objects[index];
      if (index != 0) op_id(o.id);
      w.u8(static_cast<std::uint8_t>(o.type));
      if (o.type == ObjType::Map) {
        map(o);
      } else {
        text(o);
      }
    }
  }
};

std::string deflate_body(const std::string& body) {
  uLongf size = compressBound(body.size());
  std::string out(size, '\0');
  int rc = compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                     reinterpret_cast<const Bytef*>(body.data()), body.size(), 6);
  if (rc != Z_OK) return {};
  out.resize(size);
  return out;
}

}  // namespace

std::string Document::save() {
  commit();
  Encoder e{*state_, {}, {}, 0, {}};
  e.actors();
  e.heads();
  e.objects();
  const std::string& body = e.w.bytes();
  std::string payload = deflate_body(body);
  Writer file;
  file.raw(kMagic);
  file.varint(kFormatVersion);
  file.u8(payload.empty() ? kRaw : kDeflate);
  file.varint(body.size());
  const std::string& data = payload.empty() ? body : payload;
  file.varint(data.size());
  file.raw(data);
  ChangeHash sum = sha256(file.bytes());
  file.raw({reinterpret_cast<const char*>(sum.data()), sum.size()});
  return std::move(file.bytes());
}

}  // namespace vexa::doc
