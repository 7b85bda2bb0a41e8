#include "rfb/clip.hpp"
#include "rfb/update.hpp"

namespace rfb {

Result<void> decode_raw(Wire& wire, Framebuffer& frame, const PixelDecoder& pixels, Rect r) {
  std::uint64_t size = std::uint64_t{r.width} * r.height * pixels.bytes_per_pixel();
  if (size > kMaxRawBytes) return invalid_data("RFB raw rectangle is too large");
  auto data = wire.read_view(static_cast<std::size_t>(size));
  if (!data) return std::unexpected(data.error());
  Span1D cols = visible(r.x, r.width, frame.width());
  Span1D rows = visible(r.y, r.height, frame.height());
  if (cols.length == 0) return {};
  std::size_t stride = std::size_t{r.width} * pixels.bytes_per_pixel();
  for (std::uint32_t i = 0; i < rows.length; ++i) {
    pixels.decode_row(data->data() + i * stride, frame.row(rows.start + i) + cols.start,
                      cols.length);
  }
  return {};
}

}  // namespace rfb
