#include "rfb/framebuffer.hpp"

#include <algorithm>
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
  return read_row(y)[x];
}

void Framebuffer::set_pixel(std::uint32_t x, std::uint32_t y, std::uint32_t value) {
  if (x >= width_ || y >= height_ || !pixels_) return;
  prepare_rows(y, 1, x, 1);
  row(y)[x] = value;
}

const std::uint32_t* Framebuffer::read_row(std::uint32_t y) const {
  if (source_ && !ready_[y]) return source_.get() + std::size_t{y} * width_;
  return pixels_.get() + std::size_t{y} * width_;
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

void Framebuffer::begin_update() {
  finish_update();  // rows left over by an update that failed part-way
  if (!pixels_ || pixels_.use_count() == 1) {
    std::atomic_thread_fence(std::memory_order_acquire);
    return;
  }
  auto fresh = take_spare();
  if (!fresh) fresh = std::make_shared_for_overwrite<std::uint32_t[]>(std::size_t{width_} * height_);
  source_ = std::exchange(pixels_, std::move(fresh));
  ready_.assign(height_, 0);
}

void Framebuffer::prepare_rows(std::uint32_t y, std::uint32_t count, std::uint32_t x,
                               std::uint32_t w) {
  if (!source_) return;
  bool whole_rows = x == 0 && w >= width_;
  std::uint32_t end = static_cast<std::uint32_t>(std::min<std::uint64_t>(std::uint64_t{y} + count, height_));
  for (std::uint32_t r = y; r < end; ++r) {
    if (ready_[r]) continue;
    ready_[r] = 1;
    if (!whole_rows) {
      std::memcpy(row(r), source_.get() + std::size_t{r} * width_, std::size_t{width_} * 4);
    }
  }
}

void Framebuffer::finish_update() {
  if (!source_) return;
  // Runs of untouched rows are contiguous in memory: one copy per run.
  for (std::uint32_t r = 0; r < height_;) {
    if (ready_[r]) {
      ++r;
      continue;
    }
    std::uint32_t end = r;
    while (end < height_ && !ready_[end]) ++end;
    std::memcpy(row(r), source_.get() + std::size_t{r} * width_,
                std::size_t{end - r} * width_ * 4);
    r = end;
  }
  // The slot and a view may still hold the old image; it becomes a spare once they let go.
  if (spares_.size() == kMaxSpares) spares_.erase(spares_.begin());
  spares_.push_back(std::move(source_));
  source_.reset();
}

void Framebuffer::make_private() {
  begin_update();
  finish_update();
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
