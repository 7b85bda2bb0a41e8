#include "platform/doc/text_seq.hpp"

#include "platform/doc/utf8.hpp"

namespace vexa::doc::detail {

std::size_t find_elem(const Object& text, OpId id) {
  for (std::size_t i = text.elems.size(); i-- > 0;) {
    if (text.elems[i].id == id) return i;
  }
  return npos;
}

std::size_t integrate(const State& state, Object& text, const Elem& elem) {
  std::size_t pos = 0;
  if (elem.origin.counter != 0) {
    std::size_t origin = find_elem(text, elem.origin);
    // A missing origin only happens with a damaged file; the start is as good a place as any.
    pos = origin == npos ? 0 : origin + 1;
  }
  while (pos < text.elems.size() && state.before(elem.id, text.elems[pos].id)) ++pos;
  text.elems.insert(text.elems.begin() + static_cast<std::ptrdiff_t>(pos), elem);
  if (!elem.deleted) ++text.visible;
  return pos;
}

std::size_t visible_to_index(const Object& text, std::size_t pos) {
  std::size_t seen = 0;
  for (std::size_t i = 0; i < text.elems.size(); ++i) {
    if (text.elems[i].deleted) continue;
    if (seen == pos) return i;
    ++seen;
  }
  return text.elems.size();
}

std::string read_text(const Object& text) {
  std::string out;
  out.reserve(text.visible);
  for (const Elem& e : text.elems) {
    if (!e.deleted) append_utf8(out, e.ch);
  }
  return out;
}

}  // namespace vexa::doc::detail
