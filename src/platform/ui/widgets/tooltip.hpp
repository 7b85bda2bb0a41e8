#pragma once
// Hover tooltips: the pointer rests on an element for a moment, then its text shows below it.
// on_pointer, dismiss and tick return true when what is drawn changed.
#include <chrono>
#include <optional>
#include <string>

#include "platform/ui/scene.hpp"
#include "platform/ui/text.hpp"

namespace vexa_ui {

class TooltipHost {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds kDelay{450};

  // The element under the pointer (its tooltip text and rectangle), or none.
  bool on_pointer(std::optional<std::string> text, Rect anchor, Clock::time_point now = Clock::now());
  bool dismiss();
  bool tick(Clock::time_point now = Clock::now());
  // A tooltip is waiting to appear: the host wants frames until it settles.
  bool unsettled() const { return pending_ && !visible_; }
  bool visible() const { return visible_; }
  const std::string& text() const { return text_; }
  void draw_hover_tooltip(Scene& scene, const TextRenderer& tr, Size window) const;

 private:
  std::string text_;
  Rect anchor_;
  Clock::time_point since_{};
  bool pending_ = false;
  bool visible_ = false;
};

namespace nav_split {

// The navigation panel's open state, animated: `reveal` is the open fraction 0..1 and `slide`
// the eased drawing offset.
class FlapState {
 public:
  double reveal() const { return reveal_; }
  double slide() const;
  void set_reveal(double r) { reveal_ = r; }
  // Moves toward the target (1 open, 0 closed); returns true when the fraction changed.
  bool step(double target, double dt_seconds);

 private:
  double reveal_ = 1.0;
};

}  // namespace nav_split

}  // namespace vexa_ui
