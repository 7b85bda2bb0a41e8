#pragma once
// Streaming DEC/ECMA-48 escape-sequence parser with UTF-8 decoding.
//
// The parser splits a byte stream into plain events and hands them to a handler; it knows
// nothing of any screen. Its whole state lives in the object, so a stream may be cut into
// chunks anywhere (inside a UTF-8 character, inside a sequence) and give the same events.
// Memory is fixed: at most kMaxCsiValues parameter values and kMaxStringBytes of an OSC or
// DCS payload are kept; longer input is dropped and flagged, never buffered.
//
// Handler interface (`H` below):
//   void print(char32_t)                          one printable character (U+007F included;
//                                                 malformed UTF-8 arrives as U+FFFD)
//   void execute(std::uint32_t)                   a C0 byte, or a C1 code point U+0080..U+009F
//   void dispatch_csi(const CsiSequence&)         a complete control sequence
// and optionally:
//   void print_ascii(std::span<const std::uint8_t>)   a run of bytes 0x20..0x7F, each one
//                                                 printable character (a fast path; without
//                                                 it the run arrives through `print`)
//   void dispatch_esc(std::span<const std::uint8_t> intermediates, std::uint8_t final_byte)
//   void dispatch_osc(std::span<const std::uint8_t> payload, bool truncated)
//   void dispatch_dcs(const CsiSequence& header, std::span<const std::uint8_t> payload,
//                     bool truncated)
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "vt/csi_sequence.hpp"
#include "vt/parser_state.hpp"

namespace vt {

inline constexpr std::size_t kMaxStringBytes = 1024;
inline constexpr char32_t kReplacementCharacter = U'\uFFFD';

class Parser {
 public:
  template <typename H>
  void feed(H& handler, std::span<const std::uint8_t> bytes);

  ParserState state() const { return state_; }
  // True while a multi-byte UTF-8 character is incomplete.
  bool utf8_pending() const { return utf8_need_ != 0; }

 private:
  template <typename H>
  const std::uint8_t* ground_fast(H& h, const std::uint8_t* p, const std::uint8_t* end);
  template <typename H>
  const std::uint8_t* fast_utf8(H& h, const std::uint8_t* p, const std::uint8_t* end);
  template <typename H>
  const std::uint8_t* fast_csi(H& h, const std::uint8_t* p, const std::uint8_t* end);
  template <typename H>
  void step(H& h, std::uint8_t b);
  template <typename H>
  void ground(H& h, std::uint8_t b);
  template <typename H>
  void utf8_continue(H& h, std::uint8_t b);
  template <typename H>
  void utf8_lead(H& h, std::uint8_t b);
  template <typename H>
  void escape(H& h, std::uint8_t b);
  template <typename H>
  void escape_intermediate(H& h, std::uint8_t b);
  template <typename H>
  void csi(H& h, std::uint8_t b);
  template <typename H>
  void dcs_header(H& h, std::uint8_t b);
  template <typename H>
  void enter_escape(H& h);
  template <typename H>
  void end_string(H& h);
  template <typename H>
  void print_run(H& h, const std::uint8_t* from, const std::uint8_t* to);
  template <typename H>
  void print_code(H& h, char32_t c);
  template <typename H>
  void dispatch_esc(H& h, std::uint8_t final_byte);

  void begin_sequence();
  void collect_intermediate(std::uint8_t b);
  void param_byte(std::uint8_t b);
  void finish_params();
  void push_value(bool starts_param);
  void begin_string();
  void put_string(std::uint8_t b);

  ParserState state_ = ParserState::Ground;
  // UTF-8 decoding: bytes still needed, the bounds the next byte must lie in, the value so far.
  std::uint8_t utf8_need_ = 0;
  std::uint8_t utf8_low_ = 0x80;
  std::uint8_t utf8_high_ = 0xBF;
  std::uint32_t utf8_code_ = 0;
  // The sequence being collected (CSI, DCS header, or ESC intermediates).
  CsiSequence seq_;
  std::uint32_t value_ = 0;
  bool has_params_ = false;
  bool starts_param_ = true;
  // OSC and DCS payload, bounded.
  std::size_t string_len_ = 0;
  bool string_truncated_ = false;
  std::array<std::uint8_t, kMaxStringBytes> string_{};
};

}  // namespace vt

#include "vt/parser_fast.hpp"
#include "vt/parser_impl.hpp"
