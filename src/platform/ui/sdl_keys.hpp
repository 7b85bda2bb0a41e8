#pragma once
#include <SDL2/SDL.h>

#include <string>

#include "platform/ui/event.hpp"

namespace vexa_ui::sdl {

// Named key value ("Enter", "ArrowUp", "Space"), or empty for keys that type characters.
std::string key_name(SDL_Keycode key);
// Physical key code in UI Events form ("KeyQ", "Digit1", "ControlLeft"), or empty.
std::string key_code(SDL_Scancode code);
Modifiers modifiers(Uint16 mod);

}  // namespace vexa_ui::sdl
