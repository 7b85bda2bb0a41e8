#pragma once
// The shared shapes every view draws with: cards, pills, outlines and the window chrome.
#include "platform/ui/scene.hpp"
#include "platform/ui/theme.hpp"

namespace vexa_ui::surface {

void card(Scene& scene, Rect r, double radius, Color fill = Colors::lift);
void pill(Scene& scene, Rect r, Color fill);
void edge_outline(Scene& scene, Rect r, double radius, Color color = Colors::border);
// The selection outline: two pixels in the accent colour.
void edge_on(Scene& scene, Rect r, double radius);
void edge_on_with(Scene& scene, Rect r, double radius, Color color, double width = 2);

}  // namespace vexa_ui::surface

namespace vexa_ui::chrome::shell {

void panel_ground(Scene& scene, Rect r, double radius = 0);
void panel_border(Scene& scene, Rect r, double radius = 0);
// A one-pixel line along the given rectangle (one of its sides is 1 wide or high).
void chrome_hairline(Scene& scene, Rect line);

}  // namespace vexa_ui::chrome::shell
