#include "rfb/update.hpp"

#include <fmt/format.h>

#include <limits>

namespace rfb {

UpdateDecoder::UpdateDecoder(const PixelFormat& format) : format_(format) {}

Result<UpdateSummary> UpdateDecoder::apply(Wire& wire, Framebuffer& frame) {
  if (frame.generation() == std::numeric_limits<std::uint64_t>::max()) {
    return invalid_data("RFB framebuffer generation exhausted");
  }
  std::uint8_t head[3];
  if (auto r = wire.read_exact(head); !r) return std::unexpected(r.error());
  std::uint16_t count = static_cast<std::uint16_t>(head[1] << 8 | head[2]);
  if (count > kMaxRectangles) return invalid_data("RFB update has too many rectangles");
  std::size_t bpp = format_.bytes_per_pixel();
  if (bpp < 1 || bpp > 4) return invalid_data("invalid RFB pixel format");
  // Copy on write: a published snapshot may share the image. Rows are brought over only as
  // rectangles need them (see Framebuffer), so full-width repaints copy nothing.
  frame.begin_update();
  UpdateSummary summary;
  for (std::uint16_t i = 0; i < count; ++i) {
    if (auto r = rectangle(wire, frame, summary); !r) return std::unexpected(r.error());
  }
  frame.finish_update();
  frame.set_generation(frame.generation() + 1);
  return summary;
}

Result<void> UpdateDecoder::rectangle(Wire& wire, Framebuffer& frame, UpdateSummary& summary) {
  std::uint8_t h[12];
  if (auto r = wire.read_exact(h); !r) return r;
  auto u16 = [&](int i) { return static_cast<std::uint16_t>(h[i] << 8 | h[i + 1]); };
  Rect rect{u16(0), u16(2), u16(4), u16(6)};
  auto encoding = static_cast<std::int32_t>(std::uint32_t{h[8]} << 24 | std::uint32_t{h[9]} << 16 |
                                            std::uint32_t{h[10]} << 8 | h[11]);
  summary.rectangles += 1;
  summary.pixels += std::uint64_t{rect.width} * rect.height;
  PixelDecoder pixels(format_);
  switch (encoding) {
    case 0: return decode_raw(wire, frame, pixels, rect);
    case 1: return decode_copy_rect(wire, frame, rect);
    case 2: return decode_rre(wire, frame, pixels, rect, subrects_);
    default: return invalid_data(fmt::format("unsupported RFB encoding {}", encoding));
  }
}

}  // namespace rfb
