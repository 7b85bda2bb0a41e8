#include <gtest/gtest.h>

#include <random>

#include "rfb/memory_transport.hpp"
#include "rfb/update.hpp"
#include "support/rfb_fake_server.hpp"

namespace rfb {
namespace {

using test::Bytes;

constexpr std::uint32_t kRed = rgba(255, 0, 0);
constexpr std::uint32_t kGreen = rgba(0, 255, 0);
constexpr std::uint32_t kBlue = rgba(0, 0, 255);

Result<UpdateSummary> apply(Framebuffer& frame, const std::vector<std::uint8_t>& body,
                            std::size_t chunk = SIZE_MAX) {
  MemoryTransport transport(body, chunk);
  Wire wire(transport);
  UpdateDecoder decoder;
  return decoder.apply(wire, frame);
}

Bytes update(std::uint16_t rects) { return std::move(Bytes().u8(0).u16(rects)); }

// A distinct value per position, so moved pixels can be traced.
std::uint32_t tag(std::uint32_t x, std::uint32_t y) { return rgba(x, y, 7); }

void fill_tags(Framebuffer& frame) {
  frame.make_private();
  for (std::uint32_t y = 0; y < frame.height(); ++y)
    for (std::uint32_t x = 0; x < frame.width(); ++x) frame.set_pixel(x, y, tag(x, y));
}

Error data_error(std::string text) { return {ErrorKind::InvalidData, std::move(text)}; }

TEST(RfbUpdate, EmptyUpdateAdvancesGenerationOnly) {
  Framebuffer frame(4, 4);
  fill_tags(frame);
  ASSERT_TRUE(apply(frame, update(0)));
  EXPECT_EQ(frame.generation(), 1u);
  EXPECT_EQ(frame.pixel(3, 2), tag(3, 2));
}

TEST(RfbUpdate, RectangleCountLimit) {
  Framebuffer frame(8, 8);
  Bytes ok = update(4096);
  for (int i = 0; i < 4096; ++i) ok.rect(i % 8, i / 8 % 8, 1, 1, 0).pixel(1, 2, 3);
  ASSERT_TRUE(apply(frame, ok));
  EXPECT_EQ(frame.pixel(5, 5), rgba(1, 2, 3));
  // Fails before any rectangle is read: no rectangle bytes follow.
  auto r = apply(frame, update(4097));
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error(), data_error("RFB update has too many rectangles"));
  EXPECT_EQ(frame.generation(), 1u);
}

TEST(RfbUpdate, GenerationExhausted) {
  Framebuffer frame(2, 2);
  frame.set_generation(UINT64_MAX);
  auto r = apply(frame, {});  // nothing may be read
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error(), data_error("RFB framebuffer generation exhausted"));
}

TEST(RfbUpdate, UnsupportedEncodingsNamed) {
  for (std::int32_t enc : {16, -223, 3, 0x7fffffff}) {
    Framebuffer frame(2, 2);
    auto r = apply(frame, update(1).rect(0, 0, 1, 1, enc));
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error(), data_error("unsupported RFB encoding " + std::to_string(enc)));
    EXPECT_EQ(frame.generation(), 0u);
  }
}

TEST(RfbRaw, ClipsAtEdgesAndConsumesHiddenPixels) {
  Framebuffer frame(4, 3);
  Bytes body = update(3);
  // 3x2 at (2, 2): only (2,2) and (3,2) are visible.
  body.rect(2, 2, 3, 2, 0).pixel(1, 0, 0).pixel(2, 0, 0).pixel(3, 0, 0).pixel(4, 0, 0)
      .pixel(5, 0, 0).pixel(6, 0, 0);
  body.rect(65535, 65535, 2, 1, 0).pixel(9, 9, 9).pixel(9, 9, 9);  // wholly outside
  body.rect(0, 0, 1, 1, 0).pixel(0, 0, 200);  // read correctly after the hidden pixels
  auto r = apply(frame, body);
  ASSERT_TRUE(r) << r.error().message;
  EXPECT_EQ(frame.pixel(2, 2), rgba(1, 0, 0));
  EXPECT_EQ(frame.pixel(3, 2), rgba(2, 0, 0));
  EXPECT_EQ(frame.pixel(0, 0), rgba(0, 0, 200));
  EXPECT_EQ(frame.pixel(1, 1), 0u);
  EXPECT_EQ(r->rectangles, 3u);
}

TEST(RfbRaw, SizeLimitAtAndPastBound) {
  Framebuffer frame(4096, 4096);
  Bytes big = update(1);
  big.rect(0, 0, 4096, 4096, 0).fill(64ull << 20, 0x40);  // exactly 64 MiB
  auto ok = apply(frame, big);
  ASSERT_TRUE(ok) << ok.error().message;
  EXPECT_EQ(frame.pixel(4095, 4095), rgba(0x40, 0x40, 0x40));
  auto r = apply(frame, update(1).rect(0, 0, 4097, 4096, 0));
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error(), data_error("RFB raw rectangle is too large"));
}

TEST(RfbRaw, ShortDataLeavesThePublishedImageAlone) {
  Framebuffer frame(300, 300);
  fill_tags(frame);
  auto published = frame.snapshot();
  // Far more than one read slice, cut off half-way.
  Bytes body = update(1);
  body.rect(0, 0, 300, 300, 0).fill(300 * 150 * 4, 0x55);
  auto r = apply(frame, body);
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error(), (Error{ErrorKind::EndOfStream, "failed to fill whole buffer"}));
  EXPECT_EQ(frame.generation(), 0u);
  EXPECT_EQ(published->pixels[0], tag(0, 0));
  EXPECT_EQ(published->pixels[299 * 300 + 299], tag(299, 299));
}

TEST(RfbRaw, FullFrameRepaintAfterPublication) {
  // A rectangle covering the whole image skips the copy of the old one; both images stay right.
  Framebuffer frame(3, 2);
  fill_tags(frame);
  auto old = frame.snapshot();
  Bytes body = update(2);
  body.rect(0, 0, 3, 2, 0);
  for (int i = 0; i < 6; ++i) body.pixel(i, 0, 0);
  body.rect(1, 1, 1, 1, 1).u16(0).u16(0);  // then a copy from the new image
  ASSERT_TRUE(apply(frame, body));
  EXPECT_EQ(frame.pixel(2, 0), rgba(2, 0, 0));
  EXPECT_EQ(frame.pixel(1, 1), rgba(0, 0, 0));
  EXPECT_EQ(frame.pixel(2, 1), rgba(5, 0, 0));
  EXPECT_EQ(old->pixels[4], tag(1, 1));
  // A partial repaint keeps the rest of the image.
  auto second = frame.snapshot();
  ASSERT_TRUE(apply(frame, update(1).rect(0, 0, 1, 1, 0).pixel(9, 9, 9)));
  EXPECT_EQ(frame.pixel(0, 0), rgba(9, 9, 9));
  EXPECT_EQ(frame.pixel(2, 1), rgba(5, 0, 0));
  EXPECT_EQ(second->pixels[0], rgba(0, 0, 0));
}

TEST(RfbCopyRect, OverlapsCopyFromTheImageBeforeTheCopy) {
  struct Case {
    const char* name;
    std::uint16_t src_x, src_y, x, y;
  } cases[] = {
      {"right by one", 0, 0, 1, 0}, {"left by one", 1, 0, 0, 0}, {"down by one", 0, 0, 0, 1},
      {"up by one", 0, 1, 0, 0},    {"diagonal", 0, 0, 1, 1},    {"up-left", 2, 2, 1, 1},
  };
  for (const auto& c : cases) {
    Framebuffer frame(8, 8);
    fill_tags(frame);
    ASSERT_TRUE(apply(frame, update(1).rect(c.x, c.y, 5, 5, 1).u16(c.src_x).u16(c.src_y)));
    for (std::uint32_t r = 0; r < 5; ++r)
      for (std::uint32_t col = 0; col < 5; ++col)
        ASSERT_EQ(frame.pixel(c.x + col, c.y + r), tag(c.src_x + col, c.src_y + r))
            << c.name << " at " << col << "," << r;
  }
}

TEST(RfbCopyRect, OutsideSourceIsTransparentAndDestinationClips) {
  Framebuffer frame(6, 4);
  fill_tags(frame);
  // Source (4,2) 4x3 reaches past the right and bottom edges; destination (0,0).
  ASSERT_TRUE(apply(frame, update(1).rect(0, 0, 4, 3, 1).u16(4).u16(2)));
  EXPECT_EQ(frame.pixel(0, 0), tag(4, 2));
  EXPECT_EQ(frame.pixel(1, 1), tag(5, 3));
  EXPECT_EQ(frame.pixel(2, 0), 0u);
  EXPECT_EQ(frame.pixel(0, 2), 0u);
  EXPECT_EQ(frame.pixel(4, 0), tag(4, 0));  // outside the destination: untouched
  // Destination past the edges: only the visible part changes, nothing else.
  fill_tags(frame);
  ASSERT_TRUE(apply(frame, update(1).rect(4, 3, 5, 5, 1).u16(0).u16(0)));
  EXPECT_EQ(frame.pixel(4, 3), tag(0, 0));
  EXPECT_EQ(frame.pixel(5, 3), tag(1, 0));
  EXPECT_EQ(frame.pixel(3, 3), tag(3, 3));
}

TEST(RfbCopyRect, AreaLimit) {
  Framebuffer frame(4, 4);
  ASSERT_TRUE(apply(frame, update(1).rect(0, 0, 4096, 4096, 1).u16(0).u16(0)));
  auto r = apply(frame, update(1).rect(0, 0, 4097, 4096, 1).u16(0).u16(0));
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error(), data_error("RFB copy rectangle is too large"));
}

TEST(RfbRre, BackgroundThenSubrectanglesUnclipped) {
  Framebuffer frame(10, 10);
  Bytes body = update(1);
  body.rect(2, 2, 4, 4, 2).u32(2).pixel(255, 0, 0);
  body.pixel(0, 255, 0).u16(1).u16(1).u16(2).u16(1);
  body.pixel(0, 0, 255).u16(3).u16(3).u16(4).u16(2);  // beyond the enclosing rectangle
  ASSERT_TRUE(apply(frame, body));
  EXPECT_EQ(frame.pixel(2, 2), kRed);
  EXPECT_EQ(frame.pixel(3, 3), kGreen);
  EXPECT_EQ(frame.pixel(4, 3), kGreen);
  EXPECT_EQ(frame.pixel(5, 5), kBlue);
  EXPECT_EQ(frame.pixel(8, 6), kBlue);
  EXPECT_EQ(frame.pixel(9, 6), 0u);
  EXPECT_EQ(frame.pixel(1, 1), 0u);
}

TEST(RfbRre, SubrectangleCountLimit) {
  Framebuffer frame(4, 4);
  Bytes ok = update(1);
  ok.rect(0, 0, 4, 4, 2).u32(1'000'000).pixel(1, 1, 1);
  for (int i = 0; i < 1'000'000; ++i) ok.pixel(9, 9, 9).u16(i % 4).u16(0).u16(1).u16(1);
  ASSERT_TRUE(apply(frame, ok));
  EXPECT_EQ(frame.pixel(3, 0), rgba(9, 9, 9));
  // Fails before the background is read.
  auto r = apply(frame, update(1).rect(0, 0, 4, 4, 2).u32(1'000'001));
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error(), data_error("RFB RRE update has too many subrectangles"));
}

TEST(RfbRre, PixelWorkLimits) {
  Framebuffer frame(4, 4);
  auto r = apply(frame, update(1).rect(0, 0, 4097, 4096, 2).u32(0));
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error(), data_error("RRE background rectangle exceeds the pixel work limit"));
  r = apply(frame, update(1).rect(0, 0, 1, 1, 2).u32(1).pixel(1, 1, 1).pixel(2, 2, 2)
                       .u16(0).u16(0).u16(4097).u16(4096));
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error(), data_error("RRE subrectangle exceeds the pixel work limit"));
  // Two subrectangles summing to 16,777,217: the background is not drawn either.
  Bytes sum = update(1);
  sum.rect(0, 0, 4, 4, 2).u32(2).pixel(1, 1, 1);
  sum.pixel(2, 2, 2).u16(0).u16(0).u16(4096).u16(4096);
  sum.pixel(2, 2, 2).u16(0).u16(0).u16(1).u16(1);
  r = apply(frame, sum);
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error(), data_error("RRE subrectangles exceed the pixel work limit"));
  EXPECT_EQ(frame.pixel(0, 0), 0u);
  // At the bound exactly it is drawn.
  Bytes at = update(1);
  at.rect(0, 0, 4, 4, 2).u32(1).pixel(1, 1, 1).pixel(2, 2, 2).u16(0).u16(0).u16(4096).u16(4096);
  ASSERT_TRUE(apply(frame, at));
  EXPECT_EQ(frame.pixel(3, 3), rgba(2, 2, 2));
}

TEST(RfbUpdate, PublishedSnapshotNeverChanges) {
  Framebuffer frame(4, 4);
  auto first = frame.snapshot();
  ASSERT_TRUE(apply(frame, update(1).rect(0, 0, 1, 1, 0).pixel(5, 5, 5)));
  auto second = frame.snapshot();
  ASSERT_TRUE(apply(frame, update(1).rect(0, 0, 1, 1, 0).pixel(6, 6, 6)));
  auto third = frame.snapshot();
  EXPECT_EQ(first->pixels[0], 0u);
  EXPECT_EQ(second->pixels[0], rgba(5, 5, 5));
  EXPECT_EQ(third->pixels[0], rgba(6, 6, 6));
  EXPECT_EQ(third->generation, 2u);
  first.reset();
  second.reset();
  // Spare buffers come back once released, and still never touch a held snapshot.
  std::uint32_t held = rgba(6, 6, 6);
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(apply(frame, update(1).rect(0, 0, 1, 1, 0).pixel(i, i, i)));
    EXPECT_EQ(third->pixels[0], held);
    third = frame.snapshot();
    held = rgba(i, i, i);
  }
}

TEST(RfbUpdate, AnyChunkingGivesTheSameImage) {
  std::mt19937 random(7);
  Bytes body = update(3);
  body.rect(1, 1, 5, 3, 0);
  for (int i = 0; i < 15; ++i) body.pixel(random(), random(), random());
  body.rect(0, 0, 3, 3, 1).u16(2).u16(1);
  body.rect(3, 0, 4, 4, 2).u32(2).pixel(1, 2, 3).pixel(4, 5, 6).u16(0).u16(0).u16(1).u16(2)
      .pixel(7, 8, 9).u16(2).u16(2).u16(3).u16(3);
  Framebuffer whole(8, 8);
  ASSERT_TRUE(apply(whole, body));
  for (std::size_t chunk : {1, 2, 3, 7, 13}) {
    Framebuffer pieces(8, 8);
    ASSERT_TRUE(apply(pieces, body, chunk));
    for (std::uint32_t y = 0; y < 8; ++y)
      for (std::uint32_t x = 0; x < 8; ++x)
        ASSERT_EQ(pieces.pixel(x, y), whole.pixel(x, y)) << chunk << " " << x << "," << y;
  }
}

}  // namespace
}  // namespace rfb
