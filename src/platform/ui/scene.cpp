#include "platform/ui/scene.hpp"

namespace vexa_ui {

std::vector<const TextRun*> Scene::texts() const {
  std::vector<const TextRun*> out;
  for (const auto& item : items_) {
    if (auto* t = std::get_if<TextRun>(&item)) out.push_back(t);
  }
  return out;
}

bool Scene::has_text(std::string_view text) const {
  for (const auto* t : texts()) {
    if (t->text == text) return true;
  }
  return false;
}

}  // namespace vexa_ui
