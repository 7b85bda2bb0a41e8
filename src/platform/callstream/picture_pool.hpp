#pragma once
// Pixel buffers for decoded pictures, reused once every holder has let go of them, so steady
// decoding neither allocates nor clears megabytes per picture.
//
// Only the decoding thread calls `acquire`; holders on other threads merely drop their
// references. A buffer whose only owner is the pool cannot gain a new owner behind the
// pool's back, so it is safe to write.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace vexa_callstream::decoder {

class PicturePool {
 public:
  // A buffer of exactly `bytes` bytes that nobody else holds; its content is unspecified.
  std::shared_ptr<std::vector<std::uint8_t>> acquire(std::size_t bytes);

 private:
  static constexpr std::size_t kKept = 4;
  std::vector<std::shared_ptr<std::vector<std::uint8_t>>> buffers_;
};

}  // namespace vexa_callstream::decoder
