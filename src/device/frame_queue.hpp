#pragma once
// Encoded frames on their way from the UI thread to the decode thread.
//
// Every frame is decoded, in order: after a key frame each one is coded against the picture
// before it, so a frame left out would smear the picture until the next key frame. Only the
// last frame of a batch is turned into a picture, which is where a slow decoder saves work.
// When the decoder falls far behind, the backlog is dropped and frames are skipped until the
// next key frame: the picture freezes for a moment instead of smearing.
#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

namespace device {

// Whether an Annex B frame carries an IDR slice, from which decoding can start afresh.
bool is_key_frame(std::span<const std::uint8_t> frame);

class FrameQueue {
 public:
  // About two seconds of video at 30 frames per second.
  static constexpr std::size_t kMaxPending = 64;

  // Queues a frame; false when it was discarded (while waiting for a key frame).
  bool put(std::vector<std::uint8_t> frame);
  // Everything queued, oldest first.
  std::vector<std::vector<std::uint8_t>> take_all();

  // Diagnostics and tests.
  std::uint64_t puts() const;
  std::uint64_t discarded() const;

 private:
  mutable std::mutex mutex_;
  std::vector<std::vector<std::uint8_t>> pending_;
  // Frames skipped since the backlog was dropped; the skipping ends at a key frame, or after
  // another full backlog's worth for streams that refresh without key frames.
  bool resyncing_ = false;
  std::size_t skipped_ = 0;
  std::uint64_t puts_ = 0;
  std::uint64_t discarded_ = 0;
};

}  // namespace device
