#pragma once
// Applying FramebufferUpdate messages to the framebuffer.
#include <cstdint>
#include <vector>

#include "rfb/framebuffer.hpp"
#include "rfb/pixel_format.hpp"
#include "rfb/wire.hpp"

namespace rfb {

inline constexpr std::uint16_t kMaxRectangles = 4096;
inline constexpr std::uint64_t kMaxRawBytes = 64ull * 1024 * 1024;
inline constexpr std::uint32_t kMaxRreSubrects = 1'000'000;

struct UpdateSummary {
  std::uint32_t rectangles = 0;
  std::uint64_t pixels = 0;  // the area of every rectangle, drawn or clipped
};

struct Rect {
  std::uint16_t x = 0, y = 0, width = 0, height = 0;
};

struct SubRect {
  std::uint32_t pixel;
  Rect rect;
};

// Decodes updates in one wire pixel format, keeping its scratch memory between updates.
class UpdateDecoder {
 public:
  explicit UpdateDecoder(const PixelFormat& format = kClientFormat);

  // Reads the rest of a FramebufferUpdate (its type byte already read) and applies it; on
  // success the generation has grown by one. On failure nothing is published and the caller
  // ends the session.
  Result<UpdateSummary> apply(Wire& wire, Framebuffer& frame);

 private:
  Result<void> rectangle(Wire& wire, Framebuffer& frame, UpdateSummary& summary);

  PixelFormat format_;
  std::vector<SubRect> subrects_;
};

// Decoders of one rectangle each; they read the whole rectangle before drawing.
Result<void> decode_raw(Wire& wire, Framebuffer& frame, const PixelDecoder& pixels, Rect r);
Result<void> decode_copy_rect(Wire& wire, Framebuffer& frame, Rect r);
Result<void> decode_rre(Wire& wire, Framebuffer& frame, const PixelDecoder& pixels, Rect r,
                        std::vector<SubRect>& subrects);

}  // namespace rfb
