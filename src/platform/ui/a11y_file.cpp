#include "platform/ui/a11y_file.hpp"

#include <cstdio>

#include "platform/sys/env.hpp"
#include "platform/sys/paths.hpp"

namespace vexa_ui {

std::optional<A11yFile> A11yFile::from_environment() {
  auto path = vexa::sys::env("VEXA_A11Y_FILE");
  if (!path || path->empty()) return std::nullopt;
  return A11yFile(*path);
}

void A11yFile::after_repaint(App& app) {
  auto json = app.accessibility_tree().to_json();
  json += '\n';
  if (json == written_) return;
  // Replaced whole, so a reader never sees half a tree; private, as labels may name hosts.
  if (auto written = vexa::sys::write_atomic(path_, json, 0600); !written) {
    // Said once; a later repaint tries again.
    if (!failure_reported_) std::fprintf(stderr, "vexa-remote: VEXA_A11Y_FILE: %s\n", written.error().c_str());
    failure_reported_ = true;
    return;
  }
  written_ = std::move(json);
}

}  // namespace vexa_ui
