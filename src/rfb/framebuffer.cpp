#include "rfb/framebuffer.hpp"

#include <atomic>
#include <cstring>
#include <utility>

namespace rfb {

Framebuffer::Framebuffer(std::uint16_t width, std::uint16_t height)
    : width_(width), height_(height) {
  std::size_t count = std::size_t{width} * height;
  if (count <= kMaxPixels) pixels_ = std::make_shared<std::uint32_t[]>(count);
}

std::uint32_t Framebuffer::pixel(std::uint32_t x, std::uint32_t y) const {
  if (x >= width_ || y >= height_ || !pixels_) return 0;
  return row(y)[x];
}

void Framebuffer::set_pixel(std::uint32_t x, std::uint32_t y, std::uint32_t value) {
  if (x >= width_ || y >= height_ || !pixels_) return;
  row(y)[x] = value;
}

std::shared_ptr<std::uint32_t[]> Framebuffer::take_spare() {
  for (auto& spare : spares_) {
    if (spare.use_count() != 1) continue;
    // Pairs with the release in the last reader's reference drop: its reads of the old image
    // happen before our writes.
    std::atomic_thread_fence(std::memory_order_acquire);
    auto buffer = std::move(spare);
    std::erase(spares_, nullptr);
    return buffer;
  }
  return nullptr;
}

void Framebuffer::make_private(bool overwrite_all) {
  if (!pixels_ || pixels_.use_count() == 1) {
    std::atomic_thread_fence(std::memory_order_acquire);
    return;
  }
  std::size_t count = std::size_t{width_} * height_;
  auto copy = take_spare();
  if (!copy) copy = std::make_shared_for_overwrite<std::uint32_t[]>(count);
  if (!overwrite_all) std::memcpy(copy.get(), pixels_.get(), count * 4);
  // The slot and a view may still hold the old image; it becomes a spare once they let go.
  if (spares_.size() == kMaxSpares) spares_.erase(spares_.begin());
  spares_.push_back(std::exchange(pixels_, std::move(copy)));
}

std::shared_ptr<const FrameSnapshot> Framebuffer::snapshot() const {
  auto snap = std::make_shared<FrameSnapshot>();
  snap->pixels = pixels_;
  snap->generation = generation_;
  snap->width = width_;
  snap->height = height_;
  return snap;
}

void FrameSlot::publish(std::shared_ptr<const FrameSnapshot> snapshot) {
  std::lock_guard lock(mutex_);
  // The old snapshot is released outside the lock (swap, then let `snapshot` go out of scope).
  snapshot_.swap(snapshot);
}

std::shared_ptr<const FrameSnapshot> FrameSlot::current() const {
  std::lock_guard lock(mutex_);
  return snapshot_;
}

std::shared_ptr<const FrameSnapshot> take_new_frame(const FrameSlot& slot,
                                                    std::optional<std::uint64_t>& last_seen) {
  auto snap = slot.current();
  if (!snap || (last_seen && *last_seen == snap->generation)) return nullptr;
  last_seen = snap->generation;
  return snap;
}

}  // namespace rfb
