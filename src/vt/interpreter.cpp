// Gives the parser's events their meaning on the screen: cursor movement, erasing and a
// 16-colour foreground with bold. Everything else is parsed and dropped.
#include <algorithm>
#include <array>

#include "vt/cell_fill.hpp"
#include "vt/terminal_screen.hpp"

namespace vt {

namespace {

// Count: absent, empty or 0 reads as 1.
std::size_t count_param(const CsiSequence& seq) {
  return std::max<std::uint16_t>(seq.first(0), 1);
}

// Position: 1-based on the wire, absent or 0 is the first.
std::size_t position_param(const CsiSequence& seq, std::size_t i) {
  return std::max<std::uint16_t>(seq.first(i), 1) - 1u;
}

using CsiFunction = void (*)(TerminalScreen&, const CsiSequence&);

void cursor_up(TerminalScreen& s, const CsiSequence& seq) {
  s.set_cursor_row(s.cursor_row() - std::min(count_param(seq), s.cursor_row()));
}
void cursor_down(TerminalScreen& s, const CsiSequence& seq) {
  s.set_cursor_row(s.cursor_row() + count_param(seq));
}
void cursor_forward(TerminalScreen& s, const CsiSequence& seq) {
  s.set_cursor_column(s.cursor_column() + count_param(seq));
}
void cursor_back(TerminalScreen& s, const CsiSequence& seq) {
  s.set_cursor_column(s.cursor_column() - std::min(count_param(seq), s.cursor_column()));
}
void cursor_to_column(TerminalScreen& s, const CsiSequence& seq) {
  s.set_cursor_column(count_param(seq) - 1);
}
void cursor_position(TerminalScreen& s, const CsiSequence& seq) {
  s.set_cursor_row(position_param(seq, 0));
  s.set_cursor_column(position_param(seq, 1));
}
void erase_in_display(TerminalScreen& s, const CsiSequence& seq) {
  // Only the whole-screen forms clear below the cursor row; 0 and 1 erase the row's rest.
  std::uint16_t selector = seq.first(0);
  if (seq.size() > 0 && (selector == 2 || selector == 3)) {
    s.clear_all();
  } else {
    s.erase_to_line_end();
  }
}
void erase_in_line(TerminalScreen& s, const CsiSequence& seq) {
  if (seq.size() > 0 && seq.first(0) == 2) {
    s.clear_row();
  } else {
    s.erase_to_line_end();
  }
}
void graphic_rendition(TerminalScreen& s, const CsiSequence& seq) {
  s.select_graphic_rendition(seq);
}

// What one graphic rendition value does to the pen.
struct RenditionEffect {
  bool sets_foreground = false;
  std::uint8_t foreground = 0;  // kDefaultForeground for the default colour
  bool sets_bold = false;
  bool bold = false;
};

constexpr std::uint8_t kDefaultForeground = 0xFF;
constexpr std::size_t kNoEffect = 98;  // the slot every value above 97 reads

constexpr std::array<RenditionEffect, kNoEffect + 1> make_rendition_effects() {
  std::array<RenditionEffect, kNoEffect + 1> table{};
  table[0] = {true, kDefaultForeground, true, false};
  table[1] = {false, 0, true, true};
  table[22] = {false, 0, true, false};
  for (std::uint8_t i = 0; i < 8; ++i) {
    table[30 + i] = {true, i, false, false};
    table[90 + i] = {true, static_cast<std::uint8_t>(8 + i), false, false};
  }
  table[39] = {true, kDefaultForeground, false, false};
  return table;
}

constexpr std::array<RenditionEffect, kNoEffect + 1> kRenditionEffects = make_rendition_effects();

constexpr std::array<CsiFunction, 0x3F> make_csi_table() {
  std::array<CsiFunction, 0x3F> table{};
  table['A' - 0x40] = cursor_up;
  table['B' - 0x40] = cursor_down;
  table['C' - 0x40] = cursor_forward;
  table['D' - 0x40] = cursor_back;
  table['G' - 0x40] = cursor_to_column;
  table['H' - 0x40] = cursor_position;
  table['f' - 0x40] = cursor_position;
  table['J' - 0x40] = erase_in_display;
  table['K' - 0x40] = erase_in_line;
  table['m' - 0x40] = graphic_rendition;
  return table;
}

// Keyed by the final byte (0x40..0x7E); intermediates, private markers and the overflow flag
// are deliberately not looked at.
constexpr std::array<CsiFunction, 0x3F> kCsiTable = make_csi_table();

}  // namespace

void TerminalScreen::feed(std::span<const std::uint8_t> bytes) {
  parser_.feed(*this, bytes);
}

void TerminalScreen::execute(std::uint32_t control) {
  switch (control) {
    case 0x08:
      if (cursor_column_ > 0) --cursor_column_;  // from the pending-wrap column to the last
      break;
    case 0x09:  // fixed tab stops every 8 columns
      cursor_column_ = std::min(width_ - 1, (cursor_column_ & ~std::size_t{7}) + 8);
      break;
    case 0x0A:
    case 0x0B:
    case 0x0C:
      line_feed();
      break;
    case 0x0D:
      cursor_column_ = 0;
      break;
    default:
      break;  // every other C0 and C1 control, BEL included
  }
}

void TerminalScreen::dispatch_csi(const CsiSequence& seq) {
  std::uint8_t final_byte = seq.final_byte;
  if (final_byte < 0x40 || final_byte > 0x7E) return;
  if (CsiFunction f = kCsiTable[final_byte - 0x40]) f(*this, seq);
}

void TerminalScreen::select_graphic_rendition(const CsiSequence& seq) {
  apply_graphic_rendition(seq);
  pen_attributes_ = attribute_bits(pen());
}

void TerminalScreen::apply_graphic_rendition(const CsiSequence& seq) {
  if (seq.size() == 0) {
    current_foreground_.reset();
    current_bold_ = false;
    return;
  }
  // Each parameter on its own, first subparameter only: the numbers inside 38;5;N are read
  // as plain values too. Table lookups and selects rather than a chain of tests: the values
  // of real output are too varied for branches to predict.
  std::uint8_t foreground = current_foreground_.value_or(kDefaultForeground);
  bool bold = current_bold_;
  for (std::size_t i = 0; i < seq.size(); ++i) {
    const RenditionEffect& e = kRenditionEffects[std::min<std::size_t>(seq.first(i), kNoEffect)];
    foreground = e.sets_foreground ? e.foreground : foreground;
    bold = e.sets_bold ? e.bold : bold;
  }
  current_foreground_.reset();
  if (foreground != kDefaultForeground) current_foreground_ = foreground;
  current_bold_ = bold;
}

}  // namespace vt
