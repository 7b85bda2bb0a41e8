#include <algorithm>

#include "rfb/clip.hpp"
#include "rfb/update.hpp"

namespace rfb {

// Rows are converted straight out of the read buffer as they arrive, so the data is still in
// cache and never copied on its way. Drawing before the rectangle is complete is safe: the
// buffer is private to the worker, and an update that fails part-way is never published (the
// session ends with the error).
Result<void> decode_raw(Wire& wire, Framebuffer& frame, const PixelDecoder& pixels, Rect r) {
  std::size_t stride = std::size_t{r.width} * pixels.bytes_per_pixel();
  if (std::uint64_t{stride} * r.height > kMaxRawBytes) {
    return invalid_data("RFB raw rectangle is too large");
  }
  if (stride == 0) return {};
  static_assert(Wire::kBufferSize >= 65535 * 4, "a row must fit the read buffer");
  Span1D cols = visible(r.x, r.width, frame.width());
  Span1D rows = visible(r.y, r.height, frame.height());
  if (cols.length > 0) frame.prepare_rows(rows.start, rows.length, cols.start, cols.length);
  for (std::uint32_t row = 0; row < r.height;) {
    auto data = wire.peek(stride);
    if (!data) return std::unexpected(data.error());
    auto n = static_cast<std::uint32_t>(std::min<std::size_t>(r.height - row, data->size() / stride));
    for (std::uint32_t i = 0; i < n && row + i < rows.length && cols.length > 0; ++i) {
      pixels.decode_row(data->data() + i * stride, frame.row(rows.start + row + i) + cols.start,
                        cols.length);
    }
    wire.consume(n * stride);
    row += n;
  }
  return {};
}

}  // namespace rfb
