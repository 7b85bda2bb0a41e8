#pragma once
// The byte-by-byte state machine of Parser and the collection of sequences; included by
// parser.hpp only.
#include <algorithm>

#include "vt/parser_bytes.hpp"

namespace vt {

inline void Parser::begin_sequence() {
  seq_.value_count = 0;
  seq_.param_count = 0;
  seq_.intermediate_count = 0;
  seq_.private_marker = 0;
  seq_.overflow = false;
  seq_.final_byte = 0;
  value_ = 0;
  has_params_ = false;
  starts_param_ = true;
}

inline void Parser::collect_intermediate(std::uint8_t b) {
  if (seq_.intermediate_count < kMaxIntermediates) {
    seq_.intermediates[seq_.intermediate_count++] = b;
  } else {
    seq_.overflow = true;
  }
}

inline void Parser::param_byte(std::uint8_t b) {
  has_params_ = true;
  if (b <= '9') {
    value_ = std::min<std::uint32_t>(value_ * 10 + (b - '0'), kMaxCsiValue);
    return;
  }
  // ';' closes a parameter, ':' a subparameter within one.
  push_value(starts_param_);
  starts_param_ = b == ';';
}

inline void Parser::finish_params() {
  if (has_params_) push_value(starts_param_);
}

inline void Parser::push_value(bool starts_param) {
  std::uint32_t value = value_;
  value_ = 0;
  if (seq_.value_count == kMaxCsiValues) {
    seq_.overflow = true;
    return;
  }
  if (starts_param) seq_.param_starts[seq_.param_count++] = seq_.value_count;
  seq_.values[seq_.value_count++] = static_cast<std::uint16_t>(value);
}

inline void Parser::begin_string() {
  string_len_ = 0;
  string_truncated_ = false;
}

inline void Parser::put_string(std::uint8_t b) {
  if (string_len_ < string_.size()) {
    string_[string_len_++] = b;
  } else {
    string_truncated_ = true;
  }
}

template <typename H>
void Parser::feed(H& h, std::span<const std::uint8_t> bytes) {
  const std::uint8_t* p = bytes.data();
  const std::uint8_t* const end = p + bytes.size();
  while (p != end) {
    if (state_ == ParserState::Ground && utf8_need_ == 0) {
      p = ground_fast(h, p, end);
      if (p == end) break;
    }
    step(h, *p++);
  }
}

template <typename H>
void Parser::step(H& h, std::uint8_t b) {
  if (utf8_need_ != 0) {
    if (b >= utf8_low_ && b <= utf8_high_) {
      utf8_continue(h, b);
      return;
    }
    // An incomplete character ends as one replacement; the byte is then read afresh.
    utf8_need_ = 0;
    h.print(kReplacementCharacter);
  }
  if (b == detail::kEsc) {
    enter_escape(h);
    return;
  }
  if (b == detail::kCan || b == detail::kSub) {
    // Cancels any sequence or string without dispatching it.
    state_ = ParserState::Ground;
    h.execute(b);
    return;
  }
  switch (state_) {
    case ParserState::Ground:
      ground(h, b);
      break;
    case ParserState::Escape:
      escape(h, b);
      break;
    case ParserState::EscapeIntermediate:
      escape_intermediate(h, b);
      break;
    case ParserState::CsiEntry:
    case ParserState::CsiParam:
    case ParserState::CsiIntermediate:
    case ParserState::CsiIgnore:
      csi(h, b);
      break;
    case ParserState::DcsEntry:
    case ParserState::DcsParam:
    case ParserState::DcsIntermediate:
      dcs_header(h, b);
      break;
    case ParserState::DcsPassthrough:
      if (b != detail::kDel) put_string(b);
      break;
    case ParserState::OscString:
      if (b == detail::kBel) {
        end_string(h);
      } else if (b >= 0x20) {
        put_string(b);
      }
      break;
    case ParserState::DcsIgnore:
    case ParserState::SosPmApcString:
      break;
  }
}

template <typename H>
void Parser::ground(H& h, std::uint8_t b) {
  if (b < 0x20) {
    h.execute(b);
  } else if (b < 0x80) {
    h.print(static_cast<char32_t>(b));
  } else {
    utf8_lead(h, b);
  }
}

template <typename H>
void Parser::utf8_lead(H& h, std::uint8_t b) {
  // Bounds on the second byte exclude overlong forms, surrogates and values above U+10FFFF.
  utf8_low_ = 0x80;
  utf8_high_ = 0xBF;
  if (b >= 0xC2 && b <= 0xDF) {
    utf8_need_ = 1;
    utf8_code_ = b & 0x1Fu;
  } else if (b >= 0xE0 && b <= 0xEF) {
    utf8_need_ = 2;
    utf8_code_ = b & 0x0Fu;
    if (b == 0xE0) utf8_low_ = 0xA0;
    if (b == 0xED) utf8_high_ = 0x9F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    utf8_need_ = 3;
    utf8_code_ = b & 0x07u;
    if (b == 0xF0) utf8_low_ = 0x90;
    if (b == 0xF4) utf8_high_ = 0x8F;
  } else {
    h.print(kReplacementCharacter);
  }
}

template <typename H>
void Parser::utf8_continue(H& h, std::uint8_t b) {
  utf8_code_ = (utf8_code_ << 6) | (b & 0x3Fu);
  utf8_low_ = 0x80;
  utf8_high_ = 0xBF;
  if (--utf8_need_ == 0) print_code(h, static_cast<char32_t>(utf8_code_));
}

template <typename H>
void Parser::print_code(H& h, char32_t c) {
  if (c >= 0x80 && c <= 0x9F) {
    h.execute(static_cast<std::uint32_t>(c));  // C1 control, UTF-8 encoded
  } else {
    h.print(c);
  }
}

template <typename H>
void Parser::print_run(H& h, const std::uint8_t* from, const std::uint8_t* to) {
  if constexpr (requires { h.print_ascii(std::span<const std::uint8_t>(from, to)); }) {
    h.print_ascii(std::span<const std::uint8_t>(from, to));
  } else {
    for (; from != to; ++from) h.print(static_cast<char32_t>(*from));
  }
}

template <typename H>
void Parser::enter_escape(H& h) {
  // ESC ends a string (it is the first byte of the string terminator ESC \).
  if (state_ == ParserState::OscString || state_ == ParserState::DcsPassthrough) end_string(h);
  state_ = ParserState::Escape;
  begin_sequence();
}

template <typename H>
void Parser::escape(H& h, std::uint8_t b) {
  if (b < 0x20) {
    h.execute(b);
  } else if (detail::is_intermediate(b)) {
    collect_intermediate(b);
    state_ = ParserState::EscapeIntermediate;
  } else if (b == '[') {
    begin_sequence();
    state_ = ParserState::CsiEntry;
  } else if (b == ']') {
    begin_string();
    state_ = ParserState::OscString;
  } else if (b == 'P') {
    begin_sequence();
    state_ = ParserState::DcsEntry;
  } else if (b == 'X' || b == '^' || b == '_') {
    state_ = ParserState::SosPmApcString;
  } else if (b < detail::kDel) {
    dispatch_esc(h, b);
  } else if (b > detail::kDel) {
    // Not a sequence after all: the byte starts a character.
    state_ = ParserState::Ground;
    ground(h, b);
  }
}

template <typename H>
void Parser::escape_intermediate(H& h, std::uint8_t b) {
  if (b < 0x20) {
    h.execute(b);
  } else if (detail::is_intermediate(b)) {
    collect_intermediate(b);
  } else if (b < detail::kDel) {
    dispatch_esc(h, b);
  } else if (b > detail::kDel) {
    state_ = ParserState::Ground;
    ground(h, b);
  }
}

template <typename H>
void Parser::dispatch_esc(H& h, std::uint8_t final_byte) {
  state_ = ParserState::Ground;
  if constexpr (requires { h.dispatch_esc(seq_.intermediate_bytes(), final_byte); }) {
    h.dispatch_esc(seq_.intermediate_bytes(), final_byte);
  }
}

template <typename H>
void Parser::csi(H& h, std::uint8_t b) {
  if (b < 0x20) {
    h.execute(b);
    return;
  }
  if (detail::is_final(b)) {
    bool ignored = state_ == ParserState::CsiIgnore;
    state_ = ParserState::Ground;
    if (ignored) return;
    finish_params();
    seq_.final_byte = b;
    h.dispatch_csi(seq_);
    return;
  }
  if (state_ == ParserState::CsiIgnore || b == detail::kDel) return;
  if (b > detail::kDel) {
    state_ = ParserState::CsiIgnore;
  } else if (detail::is_intermediate(b)) {
    collect_intermediate(b);
    state_ = ParserState::CsiIntermediate;
  } else if (state_ == ParserState::CsiIntermediate) {
    state_ = ParserState::CsiIgnore;  // parameter byte after an intermediate
  } else if (detail::is_param(b)) {
    param_byte(b);
    state_ = ParserState::CsiParam;
  } else if (state_ == ParserState::CsiEntry) {
    seq_.private_marker = b;
    state_ = ParserState::CsiParam;
  } else {
    state_ = ParserState::CsiIgnore;  // a marker byte that is not first
  }
}

template <typename H>
void Parser::dcs_header(H& h, std::uint8_t b) {
  if (detail::is_final(b)) {
    finish_params();
    seq_.final_byte = b;
    begin_string();
    state_ = ParserState::DcsPassthrough;
    return;
  }
  (void)h;
  if (b < 0x20 || b == detail::kDel) return;
  if (b > detail::kDel) {
    state_ = ParserState::DcsIgnore;
  } else if (detail::is_intermediate(b)) {
    collect_intermediate(b);
    state_ = ParserState::DcsIntermediate;
  } else if (state_ == ParserState::DcsIntermediate) {
    state_ = ParserState::DcsIgnore;
  } else if (detail::is_param(b)) {
    param_byte(b);
    state_ = ParserState::DcsParam;
  } else if (state_ == ParserState::DcsEntry) {
    seq_.private_marker = b;
    state_ = ParserState::DcsParam;
  } else {
    state_ = ParserState::DcsIgnore;
  }
}

template <typename H>
void Parser::end_string(H& h) {
  std::span<const std::uint8_t> payload(string_.data(), string_len_);
  if (state_ == ParserState::OscString) {
    if constexpr (requires { h.dispatch_osc(payload, string_truncated_); }) {
      h.dispatch_osc(payload, string_truncated_);
    }
  } else if constexpr (requires { h.dispatch_dcs(seq_, payload, string_truncated_); }) {
    h.dispatch_dcs(seq_, payload, string_truncated_);
  }
  state_ = ParserState::Ground;
}

}  // namespace vt
