#pragma once
// Where the raster time of a drawn frame goes, measured on the frame's own recorded scene in
// the same run: the whole scene, an empty scene (the floor any frame pays), its shapes, text and
// images each alone on that floor, and the pieces the rasterizer does around Cairo.
#include <string_view>

#include "platform/ui/scene.hpp"

namespace session_bench {

struct RasterTarget {
  int width = 0;
  int height = 0;
  double scale = 1;
};

// Prints a detail line and one BENCH line per piece, in ms per frame.
void report_raster_anatomy(std::string_view prefix, const vexa_ui::Scene& scene, RasterTarget target);

}  // namespace session_bench
