#include "platform/doc/document.hpp"
#include "platform/doc/utf8.hpp"

#include <algorithm>

namespace vexa::doc {

namespace {

bool is_continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

std::size_t count_chars(std::string_view s) {
  return static_cast<std::size_t>(
      std::count_if(s.begin(), s.end(), [](char c) { return !is_continuation(c); }));
}

}  // namespace

TextSplice smallest_splice(std::string_view old_text, std::string_view new_text) {
  std::size_t limit = std::min(old_text.size(), new_text.size());
  std::size_t prefix = 0;
  while (prefix < limit && old_text[prefix] == new_text[prefix]) ++prefix;
  // Back off to a character boundary in both texts (they agree on every byte before it).
  while (prefix > 0 && ((prefix < old_text.size() && is_continuation(old_text[prefix])) ||
                        (prefix < new_text.size() && is_continuation(new_text[prefix])))) {
    --prefix;
  }
  std::size_t suffix = 0;
  while (suffix < limit - prefix &&
         old_text[old_text.size() - 1 - suffix] == new_text[new_text.size() - 1 - suffix]) {
    ++suffix;
  }
  // The suffix bytes are equal in both, so one boundary check serves both.
  while (suffix > 0 && is_continuation(old_text[old_text.size() - suffix])) --suffix;
  std::string_view removed = old_text.substr(prefix, old_text.size() - prefix - suffix);
  std::string_view inserted = new_text.substr(prefix, new_text.size() - prefix - suffix);
  return TextSplice{count_chars(old_text.substr(0, prefix)), count_chars(removed),
                    std::string(inserted)};
}

std::expected<void, DocError> splice_text_diffed(Document& doc, ObjId text,
                                                 std::string_view new_text) {
  auto current = doc.text(text);
  if (!current) return std::unexpected(DocError{"splice needs a text object"});
  TextSplice splice = smallest_splice(*current, new_text);
  if (splice.remove == 0 && splice.insert.empty()) return {};
  return doc.splice_text(text, splice.pos, splice.remove, splice.insert);
}

}  // namespace vexa::doc
