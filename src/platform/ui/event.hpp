#pragma once
// Input events as the application sees them. Pointer positions are in physical pixels (the app
// divides by the scale factor). A key event carries its named key, the text it produced, the
// physical key code (UI Events names such as "KeyQ") and the modifiers.
#include <string>
#include <variant>

#include "platform/ui/geometry.hpp"

namespace vexa_ui {

struct Modifiers {
  bool ctrl = false;
  bool shift = false;
  bool alt = false;
  bool meta = false;  // the platform's command key
  bool shortcut() const { return ctrl || meta; }
};

struct PointerMove {
  Point position;
};
struct PointerButton {
  Point position;
  int button = 0;  // 0 primary, 1 secondary, 2 middle
  bool pressed = true;
};
struct Wheel {
  Point position;
  double dx = 0, dy = 0;
  bool in_lines = true;  // lines, or pixel deltas
};
struct Key {
  std::string key;   // named key ("Enter", "ArrowUp", "Space") or the character for printable keys
  std::string text;  // what the key typed; Control+letter still carries its letter
  std::string code;  // physical key ("KeyQ", "Digit1", "ControlLeft"), empty when unknown
  Modifiers modifiers;
  bool pressed = true;
};
// Text that arrived without a key (an input method commit).
struct TextCommit {
  std::string text;
};
struct FocusLost {};

using Event = std::variant<PointerMove, PointerButton, Wheel, Key, TextCommit, FocusLost>;

}  // namespace vexa_ui
