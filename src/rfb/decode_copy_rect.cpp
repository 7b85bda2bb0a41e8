#include <cstring>

#include "rfb/clip.hpp"
#include "rfb/update.hpp"

namespace rfb {

namespace {

// Copies one destination row; source pixels outside the framebuffer read as zero.
void copy_row(Framebuffer& frame, Span1D cols, std::uint32_t dst_y, std::uint32_t src_x,
              std::uint32_t src_y) {
  // The source row is read where it is current: the draw buffer, or the old image for rows
  // this update has not touched yet. The old image never changes during the update, so
  // preparing the destination row cannot disturb a source read from it.
  const std::uint32_t* src = nullptr;
  std::uint32_t inside = 0;
  if (src_y < frame.height() && src_x < frame.width()) {
    inside = std::min(cols.length, frame.width() - src_x);
    src = frame.read_row(src_y) + src_x;
  }
  frame.prepare_rows(dst_y, 1, cols.start, cols.length);
  std::uint32_t* dst = frame.row(dst_y) + cols.start;
  // memmove: source and destination may overlap within one row.
  if (src) std::memmove(dst, src, inside * 4);
  std::memset(dst + inside, 0, (cols.length - inside) * 4);
}

}  // namespace

Result<void> decode_copy_rect(Wire& wire, Framebuffer& frame, Rect r) {
  auto src_x = wire.read_u16();
  if (!src_x) return std::unexpected(src_x.error());
  auto src_y = wire.read_u16();
  if (!src_y) return std::unexpected(src_y.error());
  if (std::uint64_t{r.width} * r.height > kMaxPixels) {
    return invalid_data("RFB copy rectangle is too large");
  }
  Span1D cols = visible(r.x, r.width, frame.width());
  Span1D rows = visible(r.y, r.height, frame.height());
  if (cols.length == 0 || rows.length == 0) return {};
  // Only visible destination columns are written, so their sources start at the same offset.
  // Walking rows away from the direction of motion reads every source row before it is
  // overwritten: the copy behaves as if taken from a still image.
  auto one = [&](std::uint32_t i) {
    copy_row(frame, cols, rows.start + i, std::uint32_t{*src_x}, std::uint32_t{*src_y} + i);
  };
  if (r.y > *src_y) {
    for (std::uint32_t i = rows.length; i-- > 0;) one(i);
  } else {
    for (std::uint32_t i = 0; i < rows.length; ++i) one(i);
  }
  return {};
}

}  // namespace rfb
