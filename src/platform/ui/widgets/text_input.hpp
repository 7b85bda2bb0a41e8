#pragma once
// A single-line UTF-8 text field: the caret moves by character, shift extends a selection,
// Backspace/Delete remove whole characters, and copy/cut/paste use the clipboard.
#include <string>

#include "platform/ui/event.hpp"
#include "platform/ui/scene.hpp"
#include "platform/ui/text.hpp"

namespace vexa_ui {

class TextInput {
 public:
  TextInput() = default;
  static TextInput with_placeholder(std::string placeholder);

  const std::string& text() const { return text_; }
  const std::string& placeholder() const { return placeholder_; }
  void set_placeholder(std::string p) { placeholder_ = std::move(p); }
  // Replaces the text; the caret goes to the end and the selection is dropped.
  void set_text(std::string text);
  // Byte offset, moved back to a character boundary and clamped to the text.
  void set_cursor_pos(std::size_t pos);
  std::size_t cursor() const { return cursor_; }
  std::size_t anchor() const { return anchor_; }
  bool has_selection() const { return anchor_ != cursor_; }
  std::string selected_text() const;

  // The field's rectangle in logical pixels (set by the view that lays it out).
  void apply_layout_external(Rect r) { rect_ = r; }
  Rect local() const { return rect_; }

  void draw(Scene& scene, const TextRenderer& text, bool focused, double size = 14) const;
  // Returns true when the text changed.
  bool handle_event(const Event& event);

 private:
  bool handle_key(const Key& key);
  bool insert(std::string_view s);
  bool erase_selection();
  std::size_t prev_char(std::size_t pos) const;
  std::size_t next_char(std::size_t pos) const;

  std::string text_;
  std::string placeholder_;
  std::size_t cursor_ = 0;
  std::size_t anchor_ = 0;
  Rect rect_;
};

}  // namespace vexa_ui
