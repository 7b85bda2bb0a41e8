// One frame of the list screen with 1,000 saved connections, in its two halves: recording the
// scene (RemoteApp::draw) and rasterizing it at 1280x800 with Cairo; and filtering 10,000
// profiles by a search query. Steady state: the text measurement cache is warm, as it is from
// the second frame of a running window on.
#include <benchmark/benchmark.h>
#include <cairo.h>
#include <fmt/format.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>

#include "app/descriptor.hpp"
#include "app/remote_app.hpp"
#include "bench/app/png_candidate.hpp"
#include "bench/app/profile_set.hpp"
#include "platform/ui/raster.hpp"
#include "platform/ui/theme.hpp"

namespace {

constexpr vexa_ui::Size kWindow{1280, 800};

struct ListFrame {
  std::unique_ptr<app::RemoteApp> app = app::create_app(std::nullopt);
  vexa_ui::TextRenderer text;
  vexa_ui::Scene scene;

  explicit ListFrame(std::size_t rows, std::string query = {}, double scroll_fraction = 0) {
    app->profiles = app_bench::make_profiles(rows);
    app->layout({0, 0, kWindow.width, kWindow.height});
    if (!query.empty()) app->set_search(std::move(query));
    // Let the navigation panel finish its reveal animation: a settled list, not a first frame.
    for (int i = 0; i < 120; ++i) record();
    app->list_scroll = app->list_scroll_max * scroll_fraction;
    record();
  }
  void record() {
    scene.clear();
    vexa_ui::DrawContext ctx{scene, text, kWindow, 1.0};
    app->frame_start();
    app->draw(ctx);
  }
};

void record_list(benchmark::State& state, std::string query, double scroll) {
  ListFrame frame(1000, std::move(query), scroll);
  for (auto _ : state) {
    frame.record();
    benchmark::DoNotOptimize(frame.scene.items().data());
  }
  state.counters["items"] = static_cast<double>(frame.scene.items().size());
}

void rasterize_list(benchmark::State& state, double scale) {
  ListFrame frame(1000);
  vexa_ui::Raster raster;
  int w = static_cast<int>(kWindow.width * scale), h = static_cast<int>(kWindow.height * scale);
  for (auto _ : state) {
    vexa_ui::rasterize(frame.scene, raster, w, h, scale, vexa_ui::Colors::background);
    benchmark::DoNotOptimize(raster.pixels.data());
  }
}

// The floor of any raster: Cairo filling every pixel of a frame of the same size once.
void cairo_clear(benchmark::State& state, double scale) {
  vexa_ui::Raster raster;
  vexa_ui::Scene empty;
  int w = static_cast<int>(kWindow.width * scale), h = static_cast<int>(kWindow.height * scale);
  for (auto _ : state) {
    vexa_ui::rasterize(empty, raster, w, h, scale, vexa_ui::Colors::background);
    benchmark::DoNotOptimize(raster.pixels.data());
  }
}

// The headless start's last step: the list frame written as a PNG (tmpfs, so it is encoding
// that is measured).
void png_write(benchmark::State& state, bool candidate) {
  ListFrame frame(1000);
  vexa_ui::Raster raster;
  vexa_ui::rasterize(frame.scene, raster, 1280, 800, 1.0, vexa_ui::Colors::background);
  auto path = fmt::format("/tmp/vexa-bench-frame-{}-{}.png", getpid(), candidate ? "fast" : "cairo");
  for (auto _ : state) {
    bool ok = candidate ? vexa_ui::write_png(raster, path).has_value() : app_bench::write_png_cairo(raster, path);
    if (!ok) {
      state.SkipWithError("cannot write the PNG");
      break;
    }
  }
  state.counters["KiB"] = static_cast<double>(std::filesystem::file_size(path)) / 1024;
  std::filesystem::remove(path);
}

const std::vector<profiles::ConnectionProfile>& ten_thousand() {
  static const auto list = app_bench::make_profiles(10000);
  return list;
}

void filter(benchmark::State& state, std::string query) {
  const auto& list = ten_thousand();
  std::size_t kept = 0;
  for (auto _ : state) {
    auto visible = profiles::visible_profiles(list, query);
    kept = visible.size();
    benchmark::DoNotOptimize(visible.data());
  }
  state.counters["kept"] = static_cast<double>(kept);
}


// The least a filter can do: an ASCII case-insensitive substring test of the same fields, no
// trimming, no Unicode, no sort.
bool contains_ascii(const std::string& hay, const std::string& needle) {
  return std::search(hay.begin(), hay.end(), needle.begin(), needle.end(), [](char a, char b) {
           return (a >= 'A' && a <= 'Z' ? static_cast<char>(a + 32) : a) == b;
         }) != hay.end();
}

void filter_floor(benchmark::State& state, std::string query) {
  const auto& list = ten_thousand();
  for (auto _ : state) {
    std::vector<const profiles::ConnectionProfile*> out;
    for (const auto& p : list) {
      if (contains_ascii(p.name, query) || contains_ascii(p.host, query) || contains_ascii(p.user, query) ||
          contains_ascii(p.group, query)) {
        out.push_back(&p);
      }
    }
    benchmark::DoNotOptimize(out.data());
  }
}

// Collects each run's CPU time per iteration in milliseconds, by name. CPU time, not wall
// time: on a shared machine the wall clock also counts other processes' turns, and these
// loops are single-threaded, so on an idle machine the two agree.
class Collector : public benchmark::ConsoleReporter {
 public:
  Collector() : ConsoleReporter(OO_Tabular) {}
  std::map<std::string, double> ms;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const auto& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      double to_ms = 1e3 / benchmark::GetTimeUnitMultiplier(run.time_unit);
      ms[run.run_name.function_name] = run.GetAdjustedCPUTime() * to_ms;
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

void line(const Collector& c, const std::string& name, const std::string& key, const std::string& base_key = {},
          const std::string& base_name = {}) {
  auto it = c.ms.find(key);
  if (it == c.ms.end()) return;
  auto base = base_key.empty() ? c.ms.end() : c.ms.find(base_key);
  if (base == c.ms.end()) {
    fmt::print("BENCH {} {:.3f} ms\n", name, it->second);
  } else {
    fmt::print("BENCH {} {:.3f} ms ratio {:.2f} vs {}\n", name, it->second, it->second / base->second, base_name);
  }
}

}  // namespace

int main(int argc, char** argv) {
  auto ms = [](benchmark::internal::Benchmark* b) { b->Unit(benchmark::kMillisecond)->MinTime(0.5); };
  ms(benchmark::RegisterBenchmark("record/list_1000_top", record_list, std::string{}, 0.0));
  ms(benchmark::RegisterBenchmark("record/list_1000_middle", record_list, std::string{}, 0.5));
  ms(benchmark::RegisterBenchmark("record/list_1000_query", record_list, std::string{"web"}, 0.0));
  ms(benchmark::RegisterBenchmark("raster/cairo_clear_1280x800", cairo_clear, 1.0));
  ms(benchmark::RegisterBenchmark("raster/cairo_clear_2560x1600", cairo_clear, 2.0));
  ms(benchmark::RegisterBenchmark("raster/list_1280x800", rasterize_list, 1.0));
  ms(benchmark::RegisterBenchmark("raster/list_1280x800_scale2", rasterize_list, 2.0));
  ms(benchmark::RegisterBenchmark("png/cairo_1280x800", png_write, false));
  ms(benchmark::RegisterBenchmark("png/ours_1280x800", png_write, true));
  for (std::string q : {"web", "prod", "zzz", ""}) {
    std::string tag = q.empty() ? "all" : q;
    ms(benchmark::RegisterBenchmark(("filter/10000_" + tag).c_str(), filter, q));
    ms(benchmark::RegisterBenchmark(("filter/floor_10000_" + tag).c_str(), filter_floor, q));
  }
  benchmark::Initialize(&argc, argv);
  Collector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);
  benchmark::Shutdown();

  line(collector, "app_list_record_1000", "record/list_1000_top");
  line(collector, "app_list_record_1000_scrolled", "record/list_1000_middle");
  line(collector, "app_list_record_1000_query", "record/list_1000_query");
  line(collector, "app_list_raster_1280x800", "raster/list_1280x800", "raster/cairo_clear_1280x800", "cairo_clear");
  line(collector, "app_list_raster_2560x1600", "raster/list_1280x800_scale2", "raster/cairo_clear_2560x1600",
       "cairo_clear");
  line(collector, "app_list_png_1280x800", "png/cairo_1280x800");
  line(collector, "app_list_png_1280x800_candidate", "png/ours_1280x800", "png/cairo_1280x800", "cairo_png");
  for (auto [name, tag] : {std::pair{"web", "web"}, {"prod", "prod"}, {"nomatch", "zzz"}, {"empty", "all"}}) {
    // The empty query keeps and sorts everything; the scan floor does not sort, so no ratio.
    bool sorted_all = std::string_view(tag) == "all";
    line(collector, fmt::format("app_filter_10000_{}", name), fmt::format("filter/10000_{}", tag),
         sorted_all ? "" : fmt::format("filter/floor_10000_{}", tag), "ascii_scan");
    line(collector, fmt::format("app_filter_10000_{}_candidate", name), fmt::format("filter/candidate_10000_{}", tag),
         fmt::format("filter/10000_{}", tag), "visible_profiles");
  }
}
