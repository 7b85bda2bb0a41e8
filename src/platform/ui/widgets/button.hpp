#pragma once
// Buttons and segmented toggles. They only paint: hit testing belongs to the app's per-frame
// list of clickable regions, so drawing and clicking can never disagree.
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/ui/scene.hpp"
#include "platform/ui/text.hpp"

namespace vexa_ui {

enum class ButtonStyle { Primary, Secondary, Destructive, Ghost };

struct Button {
  static void paint(Scene& scene, const TextRenderer& text, Rect r, std::string_view label,
                    ButtonStyle style, bool hovered = false, double size = 13,
                    FontWeight weight = FontWeight::Semibold);
};

struct ToggleGroup {
  // Equal segments across `r`; returns each segment's rectangle.
  static std::vector<Rect> paint(Scene& scene, const TextRenderer& text, Rect r,
                                 std::span<const std::string> labels,
                                 std::optional<std::size_t> selected,
                                 std::optional<std::size_t> hovered = std::nullopt);
};

}  // namespace vexa_ui
