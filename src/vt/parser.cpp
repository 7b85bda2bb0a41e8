#include "vt/parser.hpp"

#include <algorithm>

namespace vt {

void Parser::begin_sequence() {
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

void Parser::collect_intermediate(std::uint8_t b) {
  if (seq_.intermediate_count < kMaxIntermediates) {
    seq_.intermediates[seq_.intermediate_count++] = b;
  } else {
    seq_.overflow = true;
  }
}

void Parser::param_byte(std::uint8_t b) {
  has_params_ = true;
  if (b <= '9') {
    value_ = std::min<std::uint32_t>(value_ * 10 + (b - '0'), kMaxCsiValue);
    return;
  }
  // ';' closes a parameter, ':' a subparameter within one.
  push_value(starts_param_);
  starts_param_ = b == ';';
}

void Parser::finish_params() {
  if (has_params_) push_value(starts_param_);
}

void Parser::push_value(bool starts_param) {
  std::uint32_t value = value_;
  value_ = 0;
  if (seq_.value_count == kMaxCsiValues) {
    seq_.overflow = true;
    return;
  }
  if (starts_param) seq_.param_starts[seq_.param_count++] = seq_.value_count;
  seq_.values[seq_.value_count++] = static_cast<std::uint16_t>(value);
}

void Parser::begin_string() {
  string_len_ = 0;
  string_truncated_ = false;
}

void Parser::put_string(std::uint8_t b) {
  if (string_len_ < string_.size()) {
    string_[string_len_++] = b;
  } else {
    string_truncated_ = true;
  }
}

}  // namespace vt
