// The decoders against a pixel-by-pixel model of the update rules, with snapshots published and
// held in between so that copy on write is exercised on every path.
#include <gtest/gtest.h>

#include <random>

#include "rfb/memory_transport.hpp"
#include "rfb/update.hpp"
#include "support/rfb_fake_server.hpp"

namespace rfb {
namespace {

using test::Bytes;

struct Model {
  int w, h;
  std::vector<std::uint32_t> px;
  Model(int w_, int h_) : w(w_), h(h_), px(std::size_t(w_) * h_, 0) {}
  std::uint32_t get(std::uint32_t x, std::uint32_t y) const {
    return x < std::uint32_t(w) && y < std::uint32_t(h) ? px[y * w + x] : 0;
  }
  void set(std::uint32_t x, std::uint32_t y, std::uint32_t v) {
    if (x < std::uint32_t(w) && y < std::uint32_t(h)) px[y * w + x] = v;
  }
  static std::uint32_t sat(std::uint32_t a, std::uint32_t b) { return std::min(a + b, 65535u); }
};

std::uint32_t wire_pixel(Bytes& b, std::mt19937& random) {
  std::uint8_t r = random(), g = random(), bl = random();
  b.pixel(r, g, bl);
  return rgba(r, g, bl);
}

// Appends one random rectangle to `b` and applies it to the model.
void random_rect(Bytes& b, Model& m, std::mt19937& random) {
  auto coord = [&](int limit) { return std::uint16_t(random() % 8 == 0 ? 65530 + random() % 6 : random() % (limit + 4)); };
  std::uint16_t x = coord(m.w), y = coord(m.h);
  std::uint16_t w = random() % 4 == 0 ? m.w : random() % (m.w + 3);
  std::uint16_t h = random() % 4 == 0 ? m.h : random() % (m.h + 3);
  if (random() % 3 == 0) x = 0;
  switch (random() % 3) {
    case 0: {
      b.rect(x, y, w, h, 0);
      for (std::uint32_t r = 0; r < h; ++r)
        for (std::uint32_t c = 0; c < w; ++c) m.set(Model::sat(x, c), Model::sat(y, r), wire_pixel(b, random));
      break;
    }
    case 1: {
      std::uint16_t sx = coord(m.w), sy = coord(m.h);
      b.rect(x, y, w, h, 1).u16(sx).u16(sy);
      std::vector<std::uint32_t> list;
      for (std::uint32_t r = 0; r < h; ++r)
        for (std::uint32_t c = 0; c < w; ++c) list.push_back(m.get(Model::sat(sx, c), Model::sat(sy, r)));
      std::size_t i = 0;
      for (std::uint32_t r = 0; r < h; ++r)
        for (std::uint32_t c = 0; c < w; ++c) m.set(Model::sat(x, c), Model::sat(y, r), list[i++]);
      break;
    }
    default: {
      int n = random() % 5;
      b.rect(x, y, w, h, 2).u32(n);
      std::uint32_t bg = wire_pixel(b, random);
      for (std::uint32_t r = 0; r < h; ++r)
        for (std::uint32_t c = 0; c < w; ++c) m.set(Model::sat(x, c), Model::sat(y, r), bg);
      for (int k = 0; k < n; ++k) {
        std::uint32_t v = wire_pixel(b, random);
        std::uint16_t sx = random() % (w + 3), sy = random() % (h + 3);
        std::uint16_t sw = random() % (m.w + 1), sh = random() % (m.h + 1);
        b.u16(sx).u16(sy).u16(sw).u16(sh);
        for (std::uint32_t r = 0; r < sh; ++r)
          for (std::uint32_t c = 0; c < sw; ++c)
            m.set(Model::sat(Model::sat(x, sx), c), Model::sat(Model::sat(y, sy), r), v);
      }
    }
  }
}

TEST(RfbUpdateModel, RandomUpdatesMatchThePixelModelAndNeverTouchSnapshots) {
  std::mt19937 random(11);
  for (int round = 0; round < 40; ++round) {
    int w = 1 + random() % 13, h = 1 + random() % 9;
    Framebuffer frame(w, h);
    Model model(w, h);
    UpdateDecoder decoder;
    std::vector<std::pair<std::shared_ptr<const FrameSnapshot>, std::vector<std::uint32_t>>> held;
    for (int u = 0; u < 30; ++u) {
      Bytes body;
      int rects = random() % 4;
      body.u8(0).u16(rects);
      for (int i = 0; i < rects; ++i) random_rect(body, model, random);
      MemoryTransport transport(body.bytes(), 1 + random() % 64);
      Wire wire(transport);
      auto r = decoder.apply(wire, frame);
      ASSERT_TRUE(r) << r.error().message;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          ASSERT_EQ(frame.pixel(x, y), model.get(x, y)) << "round " << round << " update " << u
                                                       << " at " << x << "," << y;
      // Publish as the session does; sometimes keep the snapshot like a view, sometimes drop
      // old ones so their buffers come back as spares.
      auto snap = frame.snapshot();
      if (random() % 2) held.emplace_back(snap, model.px);
      if (held.size() > 2 && random() % 2) held.erase(held.begin());
      for (const auto& [s, pixels] : held) {
        ASSERT_TRUE(std::equal(pixels.begin(), pixels.end(), s->pixels.get())) << round << " " << u;
      }
    }
  }
}

}  // namespace
}  // namespace rfb
