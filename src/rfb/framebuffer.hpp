#pragma once
// The worker's copy of the remote desktop and its hand-off to the UI thread.
//
// Pixels are 32-bit words whose memory bytes are red, green, blue, alpha; rows top to bottom,
// no padding. The worker alone draws into a `Framebuffer`, and only into a buffer nobody else
// holds: before an update it copies a buffer that a published snapshot still shares.
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

namespace rfb {

inline constexpr std::uint64_t kMaxPixels = 16'777'216;

// An immutable published image: shared, never modified after publication.
struct FrameSnapshot {
  std::shared_ptr<const std::uint32_t[]> pixels;  // width × height words
  std::uint64_t generation = 0;
  std::uint16_t width = 0;
  std::uint16_t height = 0;

  std::size_t pixel_count() const { return std::size_t{width} * height; }
  // The image as RGBA bytes, 8 bits per channel.
  std::span<const std::uint8_t> bytes() const {
    return {reinterpret_cast<const std::uint8_t*>(pixels.get()), pixel_count() * 4};
  }
};

class Framebuffer {
 public:
  // All pixels zero (transparent black), generation 0. More than 16,777,216 pixels gives an
  // empty buffer.
  Framebuffer(std::uint16_t width, std::uint16_t height);

  std::uint16_t width() const { return width_; }
  std::uint16_t height() const { return height_; }
  std::uint64_t generation() const { return generation_; }
  // The pixel at (x, y), or 0 outside the image.
  std::uint32_t pixel(std::uint32_t x, std::uint32_t y) const;
  void set_pixel(std::uint32_t x, std::uint32_t y, std::uint32_t value);

  // Copy on write, row by row. `begin_update` switches drawing to a buffer nobody else holds
  // when a snapshot still shares the current one, without copying anything yet. Each row then
  // remembers the one column span this update has drawn into it; `prepare_rows` grows that
  // span while rectangles stay adjacent (raster-order tiles, full-width strips) and copies the
  // rest of the row from the old image only when a rectangle lands apart from it.
  // `finish_update` copies whatever no rectangle drew. An update that repaints the screen in
  // tiles or strips thus never copies the old image.
  void begin_update();
  void prepare_rows(std::uint32_t y, std::uint32_t count, std::uint32_t x, std::uint32_t w);
  void finish_update();
  // begin_update and finish_update at once: the whole image becomes private.
  void make_private();

  // A row of the draw buffer; prepared rows only.
  std::uint32_t* row(std::uint32_t y) { return pixels_.get() + std::size_t{y} * width_; }
  // The current content of a row (completing it first when this update drew part of it).
  const std::uint32_t* read_row(std::uint32_t y);
  bool empty() const { return !pixels_; }

  void set_generation(std::uint64_t generation) { generation_ = generation; }
  // The current image; call outside an update.
  std::shared_ptr<const FrameSnapshot> snapshot() const;

 private:
  std::shared_ptr<std::uint32_t[]> take_spare();
  const std::uint32_t* old_row(std::uint32_t y) const {
    return source_.get() + std::size_t{y} * width_;
  }
  void complete_row(std::uint32_t y);

  // A row of the draw buffer during an update: untouched (lo == hi == 0, not done), drawn in
  // columns [lo, hi) only, or done (entirely current).
  struct RowState {
    std::uint32_t lo = 0;
    std::uint32_t hi = 0;
    bool done = false;
  };

  std::uint16_t width_;
  std::uint16_t height_;
  std::uint64_t generation_ = 0;
  std::shared_ptr<std::uint32_t[]> pixels_;
  // During an update that started on a shared buffer: that buffer (the old image, never
  // written), and the state of each row of the draw buffer.
  std::shared_ptr<std::uint32_t[]> source_;
  std::vector<RowState> rows_;
  // Buffers of earlier snapshots, reused once every reader has let go of them, so steady
  // streaming does not allocate (and fault in) a fresh image per update. The slot and the
  // view hold at most one old image each, so three spares are enough.
  static constexpr std::size_t kMaxSpares = 3;
  std::vector<std::shared_ptr<std::uint32_t[]>> spares_;
};

// Shared between the worker (publishes) and the UI thread (takes). The lock is held only to
// exchange one snapshot reference.
class FrameSlot {
 public:
  void publish(std::shared_ptr<const FrameSnapshot> snapshot);
  std::shared_ptr<const FrameSnapshot> current() const;

 private:
  mutable std::mutex mutex_;
  std::shared_ptr<const FrameSnapshot> snapshot_;
};

// The slot's snapshot when it is newer than `last_seen` (which it then updates); else null.
std::shared_ptr<const FrameSnapshot> take_new_frame(const FrameSlot& slot,
                                                    std::optional<std::uint64_t>& last_seen);

}  // namespace rfb
