#include "e2e/device_geometry.hpp"

#include <functional>
#include <memory>

#include "app/remote_app.hpp"
#include "app/sample.hpp"
#include "device/input.hpp"
#include "platform/devicehost/demo_device.hpp"

namespace e2e {

namespace ds = vexa_ui::device_stream;

namespace {

void draw(app::RemoteApp& a, vexa_ui::TextRenderer& text, vexa_ui::Size window) {
  vexa_ui::Scene scene;
  vexa_ui::DrawContext ctx{scene, text, window, 1.0};
  a.frame_start();
  a.draw(ctx);
}

template <typename Command>
std::optional<vexa_ui::Rect> region_of(const app::RemoteApp& a, const std::function<bool(const Command&)>& which) {
  for (const auto& r : a.hit_regions) {
    if (auto* c = std::get_if<Command>(&r.command); c && which(*c)) return r.rect;
  }
  return std::nullopt;
}

std::optional<ds::StreamId> opened_stream(app::RemoteApp& a) {
  for (auto& request : a.take_device_requests()) {
    if (auto* open = std::get_if<ds::OpenStream>(&request)) return open->stream;
  }
  return std::nullopt;
}

}  // namespace

std::optional<ds::PointerMove> DeviceScreen::map(double x, double y) const {
  return device::map_device_point(image, surface, x, y);
}

vexa_ui::Point DeviceScreen::to_window(double x, double y) const {
  return {image.x + x * image.width / surface.width, image.y + y * image.height / surface.height};
}

std::optional<DeviceScreen> sample_device_screen(vexa_ui::Size window, bool fit) {
  auto a = std::make_unique<app::RemoteApp>();
  app::build_sample_workspace(*a);
  a->layout({0, 0, window.width, window.height});
  vexa_ui::TextRenderer text;
  draw(*a, text, window);
  const profiles::ConnectionProfile* studio = nullptr;
  for (const auto& p : a->profiles) {
    if (p.name == "Studio Node") studio = &p;
  }
  if (!studio) return std::nullopt;
  const auto id = studio->id;
  auto row = region_of<app::cmd::Select>(*a, [&](const auto& c) { return c.id == id; });
  if (!row) return std::nullopt;

  const vexa_ui::DemoOptions demo;
  a->execute(app::cmd::Connect{id});
  auto stream = opened_stream(*a);
  if (!stream) return std::nullopt;
  a->on_device_event({*stream, ds::SurfaceReady{demo.width, demo.height}});
  // A picture of the device's size, as the decoder hands it over.
  std::shared_ptr<const std::uint8_t> pixels(new std::uint8_t[std::size_t{demo.width} * demo.height * 4](),
                                             std::default_delete<const std::uint8_t[]>());
  a->sessions.surface.picture =
      vexa_ui::ImagePixels{static_cast<int>(demo.width), static_cast<int>(demo.height), 1, pixels};
  draw(*a, text, window);
  auto scale = region_of<app::cmd::ToggleScale>(*a, [](const auto&) { return true; });
  if (!scale) return std::nullopt;
  if (!fit) {
    a->execute(app::cmd::ToggleScale{});
    draw(*a, text, window);
  }
  const auto& drawn = a->sessions.surface.drawn;
  if (!drawn || a->scale_fit != fit) return std::nullopt;
  return DeviceScreen{*row,
                      {drawn->x0, drawn->y0, drawn->x1 - drawn->x0, drawn->y1 - drawn->y0},
                      *scale,
                      {demo.width, demo.height}};
}

}  // namespace e2e
