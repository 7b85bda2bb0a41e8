#include "platform/ui/widgets/text_input.hpp"

#include <algorithm>

#include "platform/ui/theme.hpp"
#include "platform/ui/widgets/clipboard.hpp"

namespace vexa_ui {

namespace {
bool is_continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }
}  // namespace

Clipboard& Clipboard::current() {
  static std::string memory;
  static Clipboard clipboard{[] { return memory; }, [](const std::string& s) { memory = s; }};
  return clipboard;
}

TextInput TextInput::with_placeholder(std::string placeholder) {
  TextInput input;
  input.placeholder_ = std::move(placeholder);
  return input;
}

void TextInput::set_text(std::string text) {
  text_ = std::move(text);
  cursor_ = anchor_ = text_.size();
}

void TextInput::set_cursor_pos(std::size_t pos) {
  pos = std::min(pos, text_.size());
  while (pos > 0 && pos < text_.size() && is_continuation(text_[pos])) --pos;
  cursor_ = anchor_ = pos;
}

std::string TextInput::selected_text() const {
  auto [lo, hi] = std::minmax(anchor_, cursor_);
  return text_.substr(lo, hi - lo);
}

std::size_t TextInput::prev_char(std::size_t pos) const {
  if (pos == 0) return 0;
  --pos;
  while (pos > 0 && is_continuation(text_[pos])) --pos;
  return pos;
}

std::size_t TextInput::next_char(std::size_t pos) const {
  if (pos >= text_.size()) return text_.size();
  ++pos;
  while (pos < text_.size() && is_continuation(text_[pos])) ++pos;
  return pos;
}

bool TextInput::erase_selection() {
  if (!has_selection()) return false;
  auto [lo, hi] = std::minmax(anchor_, cursor_);
  text_.erase(lo, hi - lo);
  cursor_ = anchor_ = lo;
  return true;
}

bool TextInput::insert(std::string_view s) {
  // Control characters never enter a single-line field (a pasted newline included).
  std::string clean;
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) clean.push_back(c);
  }
  bool changed = erase_selection();
  if (clean.empty()) return changed;
  text_.insert(cursor_, clean);
  cursor_ += clean.size();
  anchor_ = cursor_;
  return true;
}

bool TextInput::handle_key(const Key& key) {
  if (!key.pressed) return false;
  bool extend = key.modifiers.shift;
  auto move_to = [&](std::size_t pos) {
    cursor_ = pos;
    if (!extend) anchor_ = pos;
    return false;
  };
  if (key.modifiers.shortcut() && !key.modifiers.alt) {
    if (key.text == "a" || key.text == "A") {
      anchor_ = 0;
      cursor_ = text_.size();
      return false;
    }
    if (key.text == "c" || key.text == "C") {
      if (has_selection()) Clipboard::current().set(selected_text());
      return false;
    }
    if (key.text == "x" || key.text == "X") {
      if (!has_selection()) return false;
      Clipboard::current().set(selected_text());
      return erase_selection();
    }
    if (key.text == "v" || key.text == "V") return insert(Clipboard::current().get());
    return false;
  }
  if (key.key == "ArrowLeft") {
    if (has_selection() && !extend) return move_to(std::min(anchor_, cursor_));
    return move_to(prev_char(cursor_));
  }
  if (key.key == "ArrowRight") {
    if (has_selection() && !extend) return move_to(std::max(anchor_, cursor_));
    return move_to(next_char(cursor_));
  }
  if (key.key == "Home") return move_to(0);
  if (key.key == "End") return move_to(text_.size());
  if (key.key == "Backspace") {
    if (erase_selection()) return true;
    if (cursor_ == 0) return false;
    std::size_t from = prev_char(cursor_);
    text_.erase(from, cursor_ - from);
    cursor_ = anchor_ = from;
    return true;
  }
  if (key.key == "Delete") {
    if (erase_selection()) return true;
    if (cursor_ >= text_.size()) return false;
    text_.erase(cursor_, next_char(cursor_) - cursor_);
    return true;
  }
  if (!key.text.empty() && !key.modifiers.alt) return insert(key.text);
  return false;
}

bool TextInput::handle_event(const Event& event) {
  if (auto* key = std::get_if<Key>(&event)) return handle_key(*key);
  if (auto* commit = std::get_if<TextCommit>(&event)) return insert(commit->text);
  return false;
}

void TextInput::draw(Scene& scene, const TextRenderer& tr, bool focused, double size) const {
  const double pad = 12;
  auto metrics = tr.layout_metrics("Ag", size, FontWeight::Regular, 0);
  double text_y = rect_.y + (rect_.height - metrics.height) / 2;
  double left = rect_.x + pad;
  scene.push_clip(rect_.inset(4, 2));
  if (text_.empty()) {
    tr.draw_text(scene, placeholder_, Colors::placeholder, Transform::translate(left, text_y), 0, size);
  } else {
    if (focused && has_selection()) {
      auto [lo, hi] = std::minmax(anchor_, cursor_);
      double x0 = tr.measure(std::string_view(text_).substr(0, lo), size);
      double x1 = tr.measure(std::string_view(text_).substr(0, hi), size);
      scene.fill_rect({left + x0, text_y, x1 - x0, metrics.height}, Colors::accent.with_alpha(0.35f));
    }
    tr.draw_text(scene, text_, Colors::text, Transform::translate(left, text_y), 0, size);
  }
  if (focused) {
    double caret = tr.measure(std::string_view(text_).substr(0, cursor_), size);
    scene.fill_rect({left + caret, text_y, 1.5, metrics.height}, Colors::accent);
  }
  scene.pop_clip();
}

}  // namespace vexa_ui
