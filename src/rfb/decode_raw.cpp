#include "rfb/clip.hpp"
#include "rfb/update.hpp"

namespace rfb {

namespace {
// Rows are read and converted in slices of about this size, so they are still in cache when
// converted and the scratch memory stays small whatever the rectangle.
constexpr std::size_t kSliceBytes = 256 * 1024;
}  // namespace

// Drawing a slice as soon as it arrives is safe: the buffer is private to the worker, and an
// update that fails part-way is never published (the session ends with the error).
Result<void> decode_raw(Wire& wire, Framebuffer& frame, const PixelDecoder& pixels, Rect r) {
  std::size_t stride = std::size_t{r.width} * pixels.bytes_per_pixel();
  if (std::uint64_t{stride} * r.height > kMaxRawBytes) {
    return invalid_data("RFB raw rectangle is too large");
  }
  if (stride == 0) return {};
  Span1D cols = visible(r.x, r.width, frame.width());
  Span1D rows = visible(r.y, r.height, frame.height());
  if (cols.length > 0) frame.prepare_rows(rows.start, rows.length, cols.start, cols.length);
  std::size_t slice_rows = std::max<std::size_t>(1, kSliceBytes / stride);
  for (std::uint32_t row = 0; row < r.height;) {
    auto n = static_cast<std::uint32_t>(std::min<std::size_t>(slice_rows, r.height - row));
    auto data = wire.read_view(n * stride);
    if (!data) return std::unexpected(data.error());
    for (std::uint32_t i = 0; i < n && row + i < rows.length && cols.length > 0; ++i) {
      pixels.decode_row(data->data() + i * stride, frame.row(rows.start + row + i) + cols.start,
                        cols.length);
    }
    row += n;
  }
  return {};
}

}  // namespace rfb
