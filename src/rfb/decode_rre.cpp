#include <fmt/format.h>

#include <algorithm>

#include "rfb/clip.hpp"
#include "rfb/update.hpp"

namespace rfb {

namespace {

constexpr std::size_t kRecordsPerRead = 4096;

Result<void> check_work(const char* label, std::uint32_t width, std::uint32_t height) {
  if (std::uint64_t{width} * height > kMaxPixels) {
    return invalid_data(fmt::format("{} exceeds the pixel work limit", label));
  }
  return {};
}

void fill(Framebuffer& frame, std::uint32_t x, std::uint32_t y, std::uint32_t w, std::uint32_t h,
          std::uint32_t pixel) {
  Span1D cols = visible(x, w, frame.width());
  Span1D rows = visible(y, h, frame.height());
  if (cols.length == 0) return;
  frame.prepare_rows(rows.start, rows.length, cols.start, cols.length);
  for (std::uint32_t i = 0; i < rows.length; ++i) {
    std::fill_n(frame.row(rows.start + i) + cols.start, cols.length, pixel);
  }
}

// Reads the subrectangle records in chunks, checking each as it arrives, so a hostile count
// costs memory only in step with the bytes received.
Result<void> read_subrects(Wire& wire, const PixelDecoder& pixels, std::uint32_t count,
                           std::vector<SubRect>& out) {
  out.clear();
  std::size_t bpp = pixels.bytes_per_pixel();
  std::size_t record = bpp + 8;
  std::uint64_t total = 0;
  while (out.size() < count) {
    std::size_t n = std::min<std::size_t>(count - out.size(), kRecordsPerRead);
    auto bytes = wire.read_view(n * record);
    if (!bytes) return std::unexpected(bytes.error());
    if (bytes->size() < n * record) return invalid_data("RRE subrectangle buffer too short");
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint8_t* p = bytes->data() + i * record;
      auto u16 = [&](std::size_t at) { return static_cast<std::uint16_t>(p[at] << 8 | p[at + 1]); };
      SubRect sub{pixels.decode(p), {u16(bpp), u16(bpp + 2), u16(bpp + 4), u16(bpp + 6)}};
      if (auto r = check_work("RRE subrectangle", sub.rect.width, sub.rect.height); !r) return r;
      total += std::uint64_t{sub.rect.width} * sub.rect.height;
      if (total > kMaxPixels) return invalid_data("RRE subrectangles exceed the pixel work limit");
      out.push_back(sub);
    }
  }
  return {};
}

}  // namespace

Result<void> decode_rre(Wire& wire, Framebuffer& frame, const PixelDecoder& pixels, Rect r,
                        std::vector<SubRect>& subrects) {
  auto count = wire.read_u32();
  if (!count) return std::unexpected(count.error());
  if (*count > kMaxRreSubrects) {
    return invalid_data("RFB RRE update has too many subrectangles");
  }
  if (auto c = check_work("RRE background rectangle", r.width, r.height); !c) return c;
  auto background = wire.read_view(pixels.bytes_per_pixel());
  if (!background) return std::unexpected(background.error());
  std::uint32_t bg = pixels.decode(background->data());
  if (auto c = read_subrects(wire, pixels, *count, subrects); !c) return c;
  fill(frame, r.x, r.y, r.width, r.height, bg);
  // Subrectangles are not clipped to their enclosing rectangle, only to the framebuffer.
  for (const SubRect& s : subrects) {
    fill(frame, std::uint32_t{r.x} + s.rect.x, std::uint32_t{r.y} + s.rect.y, s.rect.width,
         s.rect.height, s.pixel);
  }
  return {};
}

}  // namespace rfb
