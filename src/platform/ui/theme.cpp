#include "platform/ui/theme.hpp"

#include <cmath>

namespace vexa_ui {

const TerminalPalette& TerminalPalette::dark() {
  static const TerminalPalette palette{
      {Color::rgb(0x1B1F24), Color::rgb(0xE06C75), Color::rgb(0x98C379), Color::rgb(0xE5C07B),
       Color::rgb(0x61AFEF), Color::rgb(0xC678DD), Color::rgb(0x56B6C2), Color::rgb(0xDCDFE4),
       Color::rgb(0x5C6370), Color::rgb(0xFF7A85), Color::rgb(0xB5E890), Color::rgb(0xFFD68A),
       Color::rgb(0x8CC8FF), Color::rgb(0xE09CFF), Color::rgb(0x7FDCE6), Color::rgb(0xFFFFFF)},
      Color::rgb(0xDCDFE4),
      Color::rgb(0x0E1116)};
  return palette;
}

namespace {
double channel(float c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); }
double luminance(Color c) {
  return 0.2126 * channel(c.r) + 0.7152 * channel(c.g) + 0.0722 * channel(c.b);
}
}  // namespace

double contrast_ratio(Color a, Color b) {
  double la = luminance(a), lb = luminance(b);
  if (la < lb) std::swap(la, lb);
  return (la + 0.05) / (lb + 0.05);
}

}  // namespace vexa_ui
