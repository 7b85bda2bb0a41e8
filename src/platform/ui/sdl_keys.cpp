#include "platform/ui/sdl_keys.hpp"

#include <fmt/format.h>

namespace vexa_ui::sdl {

std::string key_name(SDL_Keycode key) {
  switch (key) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return "Enter";
    case SDLK_ESCAPE: return "Escape";
    case SDLK_TAB: return "Tab";
    case SDLK_BACKSPACE: return "Backspace";
    case SDLK_DELETE: return "Delete";
    case SDLK_HOME: return "Home";
    case SDLK_END: return "End";
    case SDLK_UP: return "ArrowUp";
    case SDLK_DOWN: return "ArrowDown";
    case SDLK_LEFT: return "ArrowLeft";
    case SDLK_RIGHT: return "ArrowRight";
    case SDLK_PAGEUP: return "PageUp";
    case SDLK_PAGEDOWN: return "PageDown";
    case SDLK_SPACE: return "Space";
    case SDLK_LCTRL:
    case SDLK_RCTRL: return "Control";
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return "Shift";
    case SDLK_LALT:
    case SDLK_RALT: return "Alt";
    case SDLK_LGUI:
    case SDLK_RGUI: return "Meta";
    default: break;
  }
  if (key >= SDLK_F1 && key <= SDLK_F12) return fmt::format("F{}", key - SDLK_F1 + 1);
  return {};
}

std::string key_code(SDL_Scancode code) {
  if (code >= SDL_SCANCODE_A && code <= SDL_SCANCODE_Z) {
    return fmt::format("Key{}", static_cast<char>('A' + (code - SDL_SCANCODE_A)));
  }
  if (code >= SDL_SCANCODE_1 && code <= SDL_SCANCODE_9) {
    return fmt::format("Digit{}", 1 + (code - SDL_SCANCODE_1));
  }
  switch (code) {
    case SDL_SCANCODE_0: return "Digit0";
    case SDL_SCANCODE_ESCAPE: return "Escape";
    case SDL_SCANCODE_BACKSPACE: return "Backspace";
    case SDL_SCANCODE_TAB: return "Tab";
    case SDL_SCANCODE_RETURN: return "Enter";
    case SDL_SCANCODE_LCTRL: return "ControlLeft";
    case SDL_SCANCODE_RCTRL: return "ControlRight";
    case SDL_SCANCODE_LSHIFT: return "ShiftLeft";
    case SDL_SCANCODE_RSHIFT: return "ShiftRight";
    case SDL_SCANCODE_LALT: return "AltLeft";
    case SDL_SCANCODE_RALT: return "AltRight";
    case SDL_SCANCODE_SPACE: return "Space";
    case SDL_SCANCODE_UP: return "ArrowUp";
    case SDL_SCANCODE_DOWN: return "ArrowDown";
    case SDL_SCANCODE_LEFT: return "ArrowLeft";
    case SDL_SCANCODE_RIGHT: return "ArrowRight";
    case SDL_SCANCODE_MINUS: return "Minus";
    case SDL_SCANCODE_EQUALS: return "Equal";
    case SDL_SCANCODE_COMMA: return "Comma";
    case SDL_SCANCODE_PERIOD: return "Period";
    case SDL_SCANCODE_SLASH: return "Slash";
    case SDL_SCANCODE_SEMICOLON: return "Semicolon";
    case SDL_SCANCODE_DELETE: return "Delete";
    case SDL_SCANCODE_HOME: return "Home";
    case SDL_SCANCODE_END: return "End";
    default: return {};
  }
}

Modifiers modifiers(Uint16 mod) {
  return {(mod & KMOD_CTRL) != 0, (mod & KMOD_SHIFT) != 0, (mod & KMOD_ALT) != 0, (mod & KMOD_GUI) != 0};
}

}  // namespace vexa_ui::sdl
