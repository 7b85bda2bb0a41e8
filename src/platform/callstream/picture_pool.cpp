#include "platform/callstream/picture_pool.hpp"

#include <atomic>

namespace vexa_callstream::decoder {

std::shared_ptr<std::vector<std::uint8_t>> PicturePool::acquire(std::size_t bytes) {
  std::erase_if(buffers_, [&](const auto& b) { return b->size() != bytes && b.use_count() == 1; });
  for (auto& buffer : buffers_) {
    if (buffer.use_count() == 1) {
      // Pairs with the release in the last holder's reference drop: its reads are done.
      std::atomic_thread_fence(std::memory_order_acquire);
      return buffer;
    }
  }
  auto fresh = std::make_shared<std::vector<std::uint8_t>>(bytes);
  if (buffers_.size() < kKept) buffers_.push_back(fresh);
  return fresh;
}

}  // namespace vexa_callstream::decoder
