#include "platform/ui/surface.hpp"

namespace vexa_ui::surface {

void card(Scene& scene, Rect r, double radius, Color fill) { scene.fill_rect(r, fill, radius); }
void pill(Scene& scene, Rect r, Color fill) { scene.fill_rect(r, fill, r.height / 2); }
void edge_outline(Scene& scene, Rect r, double radius, Color color) {
  scene.stroke_rect(r, color, 1, radius);
}
void edge_on(Scene& scene, Rect r, double radius) { edge_on_with(scene, r, radius, Colors::accent); }
void edge_on_with(Scene& scene, Rect r, double radius, Color color, double width) {
  scene.stroke_rect(r, color, width, radius);
}

}  // namespace vexa_ui::surface

namespace vexa_ui::chrome::shell {

void panel_ground(Scene& scene, Rect r, double radius) { scene.fill_rect(r, Colors::panel, radius); }
void panel_border(Scene& scene, Rect r, double radius) {
  scene.stroke_rect(r, Colors::border, 1, radius);
}
void chrome_hairline(Scene& scene, Rect line) { scene.fill_rect(line, Colors::hairline); }

}  // namespace vexa_ui::chrome::shell
