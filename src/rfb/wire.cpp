#include "rfb/wire.hpp"

#include <algorithm>
#include <cstring>

namespace rfb {

namespace {
constexpr std::size_t kFirstScratchStep = 1024 * 1024;
}  // namespace

Wire::Wire(Transport& transport, std::span<const std::uint8_t> preloaded)
    : transport_(transport),
      storage_(std::make_unique_for_overwrite<std::uint8_t[]>(kBufferSize)),
      data_(preloaded.empty() ? storage_.get() : preloaded.data()),
      end_(preloaded.size()) {}

Result<void> Wire::refill() {
  data_ = storage_.get();
  pos_ = end_ = 0;
  auto n = transport_.read_some({storage_.get(), kBufferSize});
  if (!n) return std::unexpected(n.error());
  if (*n == 0) return fail(ErrorKind::EndOfStream, kShortRead);
  end_ = *n;
  return {};
}

Result<void> Wire::fill_direct(std::uint8_t* out, std::size_t n) {
  while (n > 0) {
    auto got = transport_.read_some({out, n});
    if (!got) return std::unexpected(got.error());
    if (*got == 0) return fail(ErrorKind::EndOfStream, kShortRead);
    out += *got;
    n -= *got;
  }
  return {};
}

Result<void> Wire::read_exact(std::span<std::uint8_t> out) {
  std::size_t done = 0;
  while (done < out.size()) {
    if (buffered() == 0) {
      // Large remainders skip the buffer; small ones go through it to save system calls.
      if (out.size() - done >= kBufferSize) return fill_direct(out.data() + done, out.size() - done);
      if (auto r = refill(); !r) return r;
    }
    std::size_t take = std::min(buffered(), out.size() - done);
    std::memcpy(out.data() + done, data_ + pos_, take);
    pos_ += take;
    done += take;
  }
  return {};
}

Result<std::uint8_t> Wire::read_u8() {
  if (buffered() == 0) {
    if (auto r = refill(); !r) return std::unexpected(r.error());
  }
  return data_[pos_++];
}

Result<std::uint16_t> Wire::read_u16() {
  std::uint8_t b[2];
  if (auto r = read_exact(b); !r) return std::unexpected(r.error());
  return static_cast<std::uint16_t>(b[0] << 8 | b[1]);
}

Result<std::uint32_t> Wire::read_u32() {
  std::uint8_t b[4];
  if (auto r = read_exact(b); !r) return std::unexpected(r.error());
  return std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 | b[3];
}

void Wire::ensure_scratch(std::size_t capacity, std::size_t keep) {
  if (capacity <= scratch_size_) return;
  auto grown = std::make_unique_for_overwrite<std::uint8_t[]>(capacity);
  if (keep > 0) std::memcpy(grown.get(), scratch_.get(), keep);
  scratch_ = std::move(grown);
  scratch_size_ = capacity;
}

Result<std::span<const std::uint8_t>> Wire::read_view(std::size_t n) {
  if (buffered() >= n) {
    std::span<const std::uint8_t> view(data_ + pos_, n);
    pos_ += n;
    return view;
  }
  std::size_t have = buffered();
  ensure_scratch(std::min(n, std::max(have, kFirstScratchStep)), 0);
  std::memcpy(scratch_.get(), data_ + pos_, have);
  pos_ = end_;
  while (have < n) {
    // Grow by doubling, so memory follows the bytes that really arrived.
    std::size_t target = std::min(n, std::max(have * 2, kFirstScratchStep));
    ensure_scratch(target, have);
    auto got = transport_.read_some({scratch_.get() + have, target - have});
    if (!got) return std::unexpected(got.error());
    if (*got == 0) return fail(ErrorKind::EndOfStream, kShortRead);
    have += *got;
  }
  return std::span<const std::uint8_t>(scratch_.get(), n);
}

Result<std::span<const std::uint8_t>> Wire::peek(std::size_t min) {
  if (buffered() < min) {
    if (min > kBufferSize) return fail(ErrorKind::InvalidInput, "peek beyond the read buffer");
    // Keep the unread tail at the front of our own buffer, then fill up behind it.
    std::size_t have = buffered();
    std::memmove(storage_.get(), data_ + pos_, have);
    data_ = storage_.get();
    pos_ = 0;
    end_ = have;
    while (end_ < min) {
      auto n = transport_.read_some({storage_.get() + end_, kBufferSize - end_});
      if (!n) return std::unexpected(n.error());
      if (*n == 0) return fail(ErrorKind::EndOfStream, kShortRead);
      end_ += *n;
    }
  }
  return std::span<const std::uint8_t>(data_ + pos_, buffered());
}

Result<void> Wire::discard(std::uint64_t n) {
  while (n > 0) {
    if (buffered() == 0) {
      if (auto r = refill(); !r) return r;
    }
    std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(buffered(), n));
    pos_ += take;
    n -= take;
  }
  return {};
}

Result<std::string> Wire::read_string(std::size_t keep) {
  auto length = read_u32();
  if (!length) return std::unexpected(length.error());
  std::string text(std::min<std::size_t>(*length, keep), '\0');
  if (auto r = read_exact({reinterpret_cast<std::uint8_t*>(text.data()), text.size()}); !r) {
    return std::unexpected(r.error());
  }
  if (auto r = discard(*length - text.size()); !r) return std::unexpected(r.error());
  return text;
}

Result<bool> Wire::wait_readable(std::chrono::milliseconds timeout) {
  if (buffered() > 0) return true;
  return transport_.wait_readable(timeout);
}

Result<void> Wire::write_all(std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    auto n = transport_.write_some(bytes);
    if (!n) return std::unexpected(n.error());
    if (*n == 0) return fail(ErrorKind::WriteZero, kShortWrite);
    bytes = bytes.subspan(*n);
  }
  return {};
}

}  // namespace rfb
