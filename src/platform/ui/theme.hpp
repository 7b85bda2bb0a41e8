#pragma once
// Colour tokens of the calm dark theme. Text tokens keep at least 4.5:1 contrast on the
// backgrounds they are drawn on (checked in the tests).
#include <array>

#include "platform/ui/geometry.hpp"

namespace vexa_ui {

struct Colors {
  static constexpr Color background = Color::rgb(0x111418);
  static constexpr Color backdrop = Color::rgb(0x0D1014);
  static constexpr Color panel = Color::rgb(0x181C22);
  static constexpr Color lift = Color::rgb(0x1F242C);       // cards above the background
  static constexpr Color lift_hover = Color::rgb(0x262C35);
  static constexpr Color field = Color::rgb(0x14181D);
  static constexpr Color border = Color::rgb(0x2E3540);
  static constexpr Color hairline = Color::rgb(0x262C34);
  static constexpr Color text = Color::rgb(0xE8ECF1);
  static constexpr Color text_muted = Color::rgb(0x9AA4B2);
  static constexpr Color placeholder = Color::rgb(0x8A94A3);
  static constexpr Color accent = Color::rgb(0x6EA8FE);
  static constexpr Color accent_strong = Color::rgb(0x2F6FDB);
  static constexpr Color on_accent = Color::rgb(0xFFFFFF);
  static constexpr Color success = Color::rgb(0x4CC38A);
  static constexpr Color warning = Color::rgb(0xF2B84B);
  static constexpr Color error = Color::rgb(0xF2727F);
  static constexpr Color destructive = Color::rgb(0xC93B4B);
  static constexpr Color destructive_hover = Color::rgb(0xDB4A5B);
  static constexpr Color muted = Color::rgb(0x6B7482);
  static constexpr Color scrim = Color::rgb(0x05070A);
  static constexpr Color tooltip = Color::rgb(0x2A303A);
  static constexpr Color progress = Color::rgb(0x6EA8FE);
  static constexpr Color neutral = Color::rgb(0x9AA4B2);
  static constexpr Color kind_ssh = Color::rgb(0x4CC38A);
  static constexpr Color kind_vnc = Color::rgb(0x6EA8FE);
  static constexpr Color kind_rdp = Color::rgb(0xF2B84B);
  static constexpr Color kind_vexa = Color::rgb(0xB48CFF);
};

struct TerminalPalette {
  std::array<Color, 16> indexed;
  Color foreground;
  Color background;

  static const TerminalPalette& dark();
};

// WCAG relative-luminance contrast ratio of two opaque colours.
double contrast_ratio(Color a, Color b);

}  // namespace vexa_ui
