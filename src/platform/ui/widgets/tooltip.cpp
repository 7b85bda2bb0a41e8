#include "platform/ui/widgets/tooltip.hpp"

#include <algorithm>
#include <cmath>

#include "platform/ui/theme.hpp"

namespace vexa_ui {

bool TooltipHost::on_pointer(std::optional<std::string> text, Rect anchor, Clock::time_point now) {
  if (!text) return dismiss();
  if (pending_ && *text == text_ && anchor == anchor_) return tick(now);
  bool was_visible = visible_;
  text_ = std::move(*text);
  anchor_ = anchor;
  since_ = now;
  pending_ = true;
  visible_ = false;
  return was_visible;
}

bool TooltipHost::dismiss() {
  bool changed = visible_;
  pending_ = visible_ = false;
  return changed;
}

bool TooltipHost::tick(Clock::time_point now) {
  if (pending_ && !visible_ && now - since_ >= kDelay) {
    visible_ = true;
    return true;
  }
  return false;
}

void TooltipHost::draw_hover_tooltip(Scene& scene, const TextRenderer& tr, Size window) const {
  if (!visible_) return;
  auto m = tr.layout_metrics(text_, 12, FontWeight::Regular, 0);
  double w = m.width + 16, h = m.height + 10;
  double x = std::clamp(anchor_.x, 4.0, std::max(4.0, window.width - w - 4));
  double y = anchor_.bottom() + 6;
  if (y + h > window.height - 4) y = anchor_.y - h - 6;
  scene.fill_rect({x, y, w, h}, Colors::tooltip, 6);
  scene.stroke_rect({x, y, w, h}, Colors::border, 1, 6);
  tr.draw_text(scene, text_, Colors::text, Transform::translate(x + 8, y + 5), 0, 12);
}

namespace nav_split {

double FlapState::slide() const {
  // Ease out: fast at first, gentle as the panel settles.
  double t = std::clamp(reveal_, 0.0, 1.0);
  return 1 - std::pow(1 - t, 3);
}

bool FlapState::step(double target, double dt_seconds) {
  double before = reveal_;
  const double speed = 1 / 0.18;  // a full reveal takes 180 ms
  double delta = speed * std::max(0.0, dt_seconds);
  if (reveal_ < target) reveal_ = std::min(target, reveal_ + delta);
  if (reveal_ > target) reveal_ = std::max(target, reveal_ - delta);
  return reveal_ != before;
}

}  // namespace nav_split

}  // namespace vexa_ui
