#pragma once
// The ground-state fast paths of Parser (whole text runs, UTF-8 characters and control
// sequences inside one chunk); included by parser.hpp only.
#include <algorithm>

#include "vt/ascii_run.hpp"
#include "vt/parser_bytes.hpp"

namespace vt {

// Takes everything the ground state can take whole: runs of text, controls, complete UTF-8
// characters and complete control sequences. Returns where the byte-by-byte state machine
// must carry on (a sequence or character cut by the chunk's end, or anything unusual). It
// yields exactly the events the state machine would.
template <typename H>
const std::uint8_t* Parser::ground_fast(H& h, const std::uint8_t* p, const std::uint8_t* end) {
  while (p != end) {
    std::uint8_t b = *p;
    if (b >= 0x20 && b < 0x80) {
      const std::uint8_t* run_end = printable_ascii_run_end(p, end);
      print_run(h, p, run_end);
      p = run_end;
    } else if (b == detail::kEsc) {
      const std::uint8_t* next = fast_csi(h, p, end);
      if (!next) return p;
      p = next;
    } else if (b < 0x20) {
      h.execute(b);  // CAN and SUB only cancel sequences, so here they are plain controls
      ++p;
    } else {
      const std::uint8_t* next = fast_utf8(h, p, end);
      if (!next) return p;
      p = next;
    }
  }
  return p;
}

template <typename H>
const std::uint8_t* Parser::fast_utf8(H& h, const std::uint8_t* p, const std::uint8_t* end) {
  auto cont = [](std::uint8_t b) { return (b & 0xC0u) == 0x80u; };
  std::uint8_t b0 = p[0];
  std::ptrdiff_t avail = end - p;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    if (avail < 2 || !cont(p[1])) return nullptr;
    print_code(h, static_cast<char32_t>(((b0 & 0x1Fu) << 6) | (p[1] & 0x3Fu)));
    return p + 2;
  }
  if (b0 >= 0xE0 && b0 <= 0xEF) {
    if (avail < 3 || !cont(p[1]) || !cont(p[2])) return nullptr;
    if ((b0 == 0xE0 && p[1] < 0xA0) || (b0 == 0xED && p[1] > 0x9F)) return nullptr;
    h.print(static_cast<char32_t>(((b0 & 0x0Fu) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu)));
    return p + 3;
  }
  if (b0 >= 0xF0 && b0 <= 0xF4) {
    if (avail < 4 || !cont(p[1]) || !cont(p[2]) || !cont(p[3])) return nullptr;
    if ((b0 == 0xF0 && p[1] < 0x90) || (b0 == 0xF4 && p[1] > 0x8F)) return nullptr;
    h.print(static_cast<char32_t>(((b0 & 0x07u) << 18) | ((p[1] & 0x3Fu) << 12) |
                                  ((p[2] & 0x3Fu) << 6) | (p[3] & 0x3Fu)));
    return p + 4;
  }
  return nullptr;
}

// A control sequence lying whole in [p, end) with the usual shape (optional private marker,
// parameters, intermediates, final byte) is read in one go; anything else (a control or DEL
// inside it, bytes out of order, the chunk's end) is left to the state machine.
template <typename H>
const std::uint8_t* Parser::fast_csi(H& h, const std::uint8_t* p, const std::uint8_t* end) {
  if (end - p < 3 || p[1] != '[') return nullptr;
  const std::uint8_t* q = p + 2;
  CsiSequence& seq = seq_;
  std::uint8_t marker = 0;
  if (detail::is_marker(*q)) marker = *q++;
  // Locals rather than members while scanning; the same rules as param_byte and push_value.
  unsigned values = 0;
  unsigned params = 0;
  bool overflow = false;
  if (q != end && detail::is_param(*q)) {
    bool starts_param = true;
    for (;;) {
      std::uint32_t value = 0;
      unsigned digit;
      while (q != end && (digit = static_cast<unsigned>(*q) - '0') <= 9) {
        value = std::min<std::uint32_t>(value * 10 + digit, kMaxCsiValue);
        ++q;
      }
      if (values == kMaxCsiValues) {
        overflow = true;
      } else {
        if (starts_param) seq.param_starts[params++] = static_cast<std::uint8_t>(values);
        seq.values[values++] = static_cast<std::uint16_t>(value);
      }
      if (q == end || (*q != ';' && *q != ':')) break;
      starts_param = *q++ == ';';
    }
  }
  unsigned intermediates = 0;
  for (; q != end && detail::is_intermediate(*q); ++q) {
    if (intermediates < kMaxIntermediates) {
      seq.intermediates[intermediates++] = *q;
    } else {
      overflow = true;
    }
  }
  if (q == end || !detail::is_final(*q)) return nullptr;  // nothing committed yet
  seq.value_count = static_cast<std::uint8_t>(values);
  seq.param_count = static_cast<std::uint8_t>(params);
  seq.intermediate_count = static_cast<std::uint8_t>(intermediates);
  seq.private_marker = marker;
  seq.overflow = overflow;
  seq.final_byte = *q;
  h.dispatch_csi(seq);
  return q + 1;
}

}  // namespace vt
