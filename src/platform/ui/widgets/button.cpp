#include "platform/ui/widgets/button.hpp"

#include "platform/ui/theme.hpp"

namespace vexa_ui {

namespace {
void centered_label(Scene& scene, const TextRenderer& tr, Rect r, std::string_view label,
                    Color color, double size, FontWeight weight) {
  auto m = tr.layout_metrics(label, size, weight, 0);
  tr.draw_text_weighted(scene, label, color,
                        Transform::translate(r.x + (r.width - m.width) / 2, r.y + (r.height - m.height) / 2),
                        0, size, weight);
}
}  // namespace

void Button::paint(Scene& scene, const TextRenderer& tr, Rect r, std::string_view label,
                   ButtonStyle style, bool hovered, double size, FontWeight weight) {
  const double radius = 8;
  Color text = Colors::text;
  switch (style) {
    case ButtonStyle::Primary:
      scene.fill_rect(r, hovered ? Colors::accent : Colors::accent_strong, radius);
      text = Colors::on_accent;
      break;
    case ButtonStyle::Destructive:
      scene.fill_rect(r, hovered ? Colors::destructive_hover : Colors::destructive, radius);
      text = Colors::on_accent;
      break;
    case ButtonStyle::Secondary:
      scene.fill_rect(r, hovered ? Colors::lift_hover : Colors::lift, radius);
      scene.stroke_rect(r, Colors::border, 1, radius);
      break;
    case ButtonStyle::Ghost:
      if (hovered) scene.fill_rect(r, Colors::lift_hover, radius);
      break;
  }
  centered_label(scene, tr, r, label, text, size, weight);
}

std::vector<Rect> ToggleGroup::paint(Scene& scene, const TextRenderer& tr, Rect r,
                                     std::span<const std::string> labels,
                                     std::optional<std::size_t> selected,
                                     std::optional<std::size_t> hovered) {
  std::vector<Rect> segments;
  if (labels.empty()) return segments;
  scene.fill_rect(r, Colors::field, 8);
  scene.stroke_rect(r, Colors::border, 1, 8);
  double width = r.width / static_cast<double>(labels.size());
  for (std::size_t i = 0; i < labels.size(); ++i) {
    Rect seg{r.x + width * static_cast<double>(i), r.y, width, r.height};
    segments.push_back(seg);
    Rect inner = seg.inset(3, 3);
    bool on = selected && *selected == i;
    if (on) {
      scene.fill_rect(inner, Colors::accent_strong, 6);
    } else if (hovered && *hovered == i) {
      scene.fill_rect(inner, Colors::lift_hover, 6);
    }
    centered_label(scene, tr, seg, labels[i], on ? Colors::on_accent : Colors::text, 13,
                   FontWeight::Semibold);
  }
  return segments;
}

}  // namespace vexa_ui
