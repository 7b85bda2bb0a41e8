#include "device/frame_queue.hpp"

namespace device {

bool is_key_frame(std::span<const std::uint8_t> frame) {
  constexpr std::uint8_t kIdrSlice = 5;
  // NAL units follow 00 00 01 start codes (a four-byte 00 00 00 01 ends the same way).
  for (std::size_t i = 0; i + 3 < frame.size(); ++i) {
    if (frame[i] == 0 && frame[i + 1] == 0 && frame[i + 2] == 1) {
      if ((frame[i + 3] & 0x1F) == kIdrSlice) return true;
      i += 2;
    }
  }
  return false;
}

bool FrameQueue::put(std::vector<std::uint8_t> frame) {
  std::lock_guard lock(mutex_);
  ++puts_;
  if (pending_.size() >= kMaxPending) {
    discarded_ += pending_.size();
    pending_.clear();
    resyncing_ = true;
    skipped_ = 0;
  }
  if (resyncing_) {
    if (!is_key_frame(frame) && skipped_ < kMaxPending) {
      ++skipped_;
      ++discarded_;
      return false;
    }
    resyncing_ = false;
  }
  pending_.push_back(std::move(frame));
  return true;
}

std::vector<std::vector<std::uint8_t>> FrameQueue::take_all() {
  std::lock_guard lock(mutex_);
  std::vector<std::vector<std::uint8_t>> out;
  out.swap(pending_);
  return out;
}

std::uint64_t FrameQueue::puts() const {
  std::lock_guard lock(mutex_);
  return puts_;
}

std::uint64_t FrameQueue::discarded() const {
  std::lock_guard lock(mutex_);
  return discarded_;
}

}  // namespace device
