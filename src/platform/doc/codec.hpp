#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace vexa::doc::detail {

// Appends little-endian varints and length-prefixed bytes.
class Writer {
 public:
  void u8(std::uint8_t v) { out_.push_back(static_cast<char>(v)); }
  void varint(std::uint64_t v) {
    while (v >= 0x80) {
      out_.push_back(static_cast<char>((v & 0x7f) | 0x80));
      v >>= 7;
    }
    out_.push_back(static_cast<char>(v));
  }
  void raw(std::string_view bytes) { out_.append(bytes); }
  void str(std::string_view s) {
    varint(s.size());
    raw(s);
  }
  std::string& bytes() { return out_; }

 private:
  std::string out_;
};

// Reads what Writer wrote. Running past the end or a malformed varint sets failed() and yields
// zeros, so a parser can read a whole record and check once.
class Reader {
 public:
  explicit Reader(std::string_view in)
      : p_(reinterpret_cast<const std::uint8_t*>(in.data())), end_(p_ + in.size()) {}
  std::uint8_t u8() {
    if (p_ == end_) return fail();
    return *p_++;
  }
  std::uint64_t varint() {
    std::uint64_t v = 0;
    for (int shift = 0; shift < 64; shift += 7) {
      if (p_ == end_) return fail();
      std::uint8_t b = *p_++;
      if (shift == 63 && b > 1) return fail();
      v |= static_cast<std::uint64_t>(b & 0x7f) << shift;
      if (!(b & 0x80)) return v;
    }
    return fail();
  }
  std::string_view raw(std::size_t n) {
    if (remaining() < n) {
      fail();
      return {};
    }
    std::string_view s(reinterpret_cast<const char*>(p_), n);
    p_ += n;
    return s;
  }
  std::string_view str() { return raw(varint()); }
  // A count of records that each take at least `min_bytes`; failing when the rest of the input
  // cannot hold them keeps a hostile count from sizing an allocation.
  std::size_t count(std::size_t min_bytes = 1) {
    std::uint64_t n = varint();
    if (n > remaining() / (min_bytes ? min_bytes : 1)) {
      fail();
      return 0;
    }
    return static_cast<std::size_t>(n);
  }
  std::size_t remaining() const { return static_cast<std::size_t>(end_ - p_); }
  bool failed() const { return failed_; }
  bool at_end() const { return p_ == end_; }

 private:
  std::uint8_t fail() {
    failed_ = true;
    p_ = end_;
    return 0;
  }
  const std::uint8_t* p_;
  const std::uint8_t* end_;
  bool failed_ = false;
};

}  // namespace vexa::doc::detail
