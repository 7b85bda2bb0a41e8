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
  if (source_ && !rows_[y].done && (x < rows_[y].lo || x >= rows_[y].hi)) return old_row(y)[x];
  return pixels_[std::size_t{y} * width_ + x];
}

void Framebuffer::set_pixel(std::uint32_t x, std::uint32_t y, std::uint32_t value) {
  if (x >= width_ || y >= height_ || !pixels_) return;
  prepare_rows(y, 1, x, 1);
  row(y)[x] = value;
}

const std::uint32_t* Framebuffer::read_row(std::uint32_t y) {
  if (!source_ || rows_[y].done) return row(y);
  if (rows_[y].hi == 0) return old_row(y);  // untouched: the old image is current
  complete_row(y);
  return row(y);
}

void Framebuffer::complete_row(std::uint32_t y) {
  RowState& s = rows_[y];
  std::memcpy(row(y), old_row(y), std::size_t{s.lo} * 4);
  std::memcpy(row(y) + s.hi, old_row(y) + s.hi, std::size_t{width_ - s.hi} * 4);
  s.done = true;
}

#if defined(__SANITIZE_THREAD__)
#define RFB_NO_SPARE_REUSE 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define RFB_NO_SPARE_REUSE 1
#endif
#endif

std::shared_ptr<std::uint32_t[]> Framebuffer::take_spare() {
#ifdef RFB_NO_SPARE_REUSE
  // ThreadSanitizer does not model the fence below and would report every reuse; its builds
  // allocate a fresh buffer instead.
  return nullptr;
#endif
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
  rows_.assign(height_, RowState{});
}

void Framebuffer::prepare_rows(std::uint32_t y, std::uint32_t count, std::uint32_t x,
                               std::uint32_t w) {
  if (!source_ || w == 0 || x >= width_) return;
  std::uint32_t x_end = std::min<std::uint32_t>(x + std::min(w, width_ - x), width_);
  auto end = static_cast<std::uint32_t>(std::min<std::uint64_t>(std::uint64_t{y} + count, height_));
  for (std::uint32_t r = y; r < end; ++r) {
    RowState& s = rows_[r];
    if (s.done) continue;
    if (s.hi == 0) {
      s.lo = x, s.hi = x_end;
    } else if (x <= s.hi && x_end >= s.lo) {
      s.lo = std::min(s.lo, x), s.hi = std::max(s.hi, x_end);
    } else {
      complete_row(r);
      continue;
    }
    s.done = s.lo == 0 && s.hi == width_;
  }
}

void Framebuffer::finish_update() {
  if (!source_) return;
  auto untouched = [&](std::uint32_t r) { return !rows_[r].done && rows_[r].hi == 0; };
  for (std::uint32_t r = 0; r < height_;) {
    if (!untouched(r)) {
      if (!rows_[r].done) complete_row(r);
      ++r;
      continue;
    }
    // Runs of untouched rows are contiguous in memory: one copy per run.
    std::uint32_t end = r;
    while (end < height_ && untouched(end)) ++end;
    std::memcpy(row(r), old_row(r), std::size_t{end - r} * width_ * 4);
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
