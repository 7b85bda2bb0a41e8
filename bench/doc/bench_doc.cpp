// Document library figures for a list of 10,000 profiles: build, save, load, single-field edits,
// merge of two replicas with concurrent edits, saved size. The same work done by two peer
// libraries under node (bench/doc/peers.sh) runs first, in the same run, and every line carries
// the ratio to the faster of the two.
#include "doc/profiles.hpp"
#include "platform/doc/document.hpp"

#include <fmt/format.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

using namespace vexa::doc;
using namespace vexa::doc::fixture;

namespace {

constexpr int kProfiles = 10000;
constexpr int kEdits = 1000;

double ms_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

template <typename F>
double best_of(int runs, F&& f) {
  double best = 1e300;
  for (int i = 0; i < runs; ++i) {
    auto start = std::chrono::steady_clock::now();
    f();
    best = std::min(best, ms_since(start));
  }
  return best;
}

std::optional<double> baseline(const char* name) {
  const char* v = std::getenv(name);
  if (!v || !*v) return std::nullopt;
  return std::strtod(v, nullptr);
}

// Lower is better for every figure here: the ratio is ours over the faster peer's.
void report(const std::string& name, double value, const char* unit, const char* automerge_env,
            const char* yjs_env) {
  auto a = baseline(automerge_env), y = baseline(yjs_env);
  if (!a && !y) {
    fmt::print("BENCH {} {:.2f} {}\n", name, value, unit);
    return;
  }
  bool yjs_best = y && (!a || *y < *a);
  double best = yjs_best ? *y : *a;
  fmt::print("BENCH {} {:.2f} {} ratio {:.3f} vs {}\n", name, value, unit, value / best,
             yjs_best ? "yjs" : "automerge");
}

void edit_field(Document& d, ObjId conns, int i, const std::string& value) {
  auto map = child(d, conns, uuid_for(static_cast<std::uint64_t>(i * 7 % kProfiles)), ObjType::Map);
  (void)d.put(*map, "host", value);
  d.commit();
}

// Runs the peers and exports their KEY=VALUE figures into our environment.
void measure_peers() {
  const char* source = std::getenv("VEXA_SOURCE_DIR");
  const char* build = std::getenv("VEXA_BINARY_DIR");
  if (!source || !build) {
    fmt::print("peers skipped: run through scripts/bench to compare with them\n");
    return;
  }
  std::string command = fmt::format("bash '{}/bench/doc/peers.sh' '{}'", source, build);
  FILE* out = ::popen(command.c_str(), "r");
  if (!out) return;
  char line[256];
  while (std::fgets(line, sizeof line, out)) {
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    auto eq = text.find('=');
    if (eq == std::string::npos) continue;
    fmt::print("peer {}\n", text);
    ::setenv(text.substr(0, eq).c_str(), text.substr(eq + 1).c_str(), 1);
  }
  if (::pclose(out) != 0) fmt::print("peers failed; figures below have no ratio\n");
}

}  // namespace

int main() {
  measure_peers();
  Document built;
  double build_ms = best_of(1, [&] {
    for (int i = 0; i < kProfiles; ++i) {
      upsert(built, sample_profile(static_cast<std::uint64_t>(i)));
      built.commit();
    }
  });
  std::string saved;
  double save_ms = best_of(5, [&] { saved = built.save(); });
  std::optional<Document> loaded;
  double load_ms = 1e300;
  for (int i = 0; i < 5; ++i) {
    loaded.reset();  // freeing the previous copy is not part of loading
    load_ms = std::min(load_ms, best_of(1, [&] { loaded.emplace(std::move(*Document::load(saved))); }));
  }
  if (load_all(*loaded).size() != kProfiles) return 1;

  ObjId conns = *child(*loaded, ObjId::root(), "connections", ObjType::Map);
  double edit_ms = best_of(1, [&] {
    for (int i = 0; i < kEdits; ++i) edit_field(*loaded, conns, i, fmt::format("edited{}.example.net", i));
  });

  Document left = std::move(*Document::load(saved));
  Document right = std::move(*Document::load(saved));
  ObjId lc = *child(left, ObjId::root(), "connections", ObjType::Map);
  ObjId rc = *child(right, ObjId::root(), "connections", ObjType::Map);
  for (int i = 0; i < kEdits; ++i) {
    edit_field(left, lc, i, fmt::format("left{}", i));
    edit_field(right, rc, i + 3, fmt::format("right{}", i));
  }
  double merge_ms = best_of(1, [&] { left.merge(right); });

  report("doc_build_10k", build_ms, "ms", "AUTOMERGE_BUILD_MS", "YJS_BUILD_MS");
  report("doc_save_10k", save_ms, "ms", "AUTOMERGE_SAVE_MS", "YJS_SAVE_MS");
  report("doc_load_10k", load_ms, "ms", "AUTOMERGE_LOAD_MS", "YJS_LOAD_MS");
  report("doc_edits_1k", edit_ms, "ms", "AUTOMERGE_EDITS_MS", "YJS_EDITS_MS");
  report("doc_merge_1k_each", merge_ms, "ms", "AUTOMERGE_MERGE_MS", "YJS_MERGE_MS");
  auto a = baseline("AUTOMERGE_SIZE_KB");
  double kb = static_cast<double>(saved.size()) / 1000.0;
  if (a) {
    fmt::print("BENCH doc_size_10k {:.1f} KB ratio {:.3f} vs automerge\n", kb, kb / *a);
  } else {
    fmt::print("BENCH doc_size_10k {:.1f} KB\n", kb);
  }
  return 0;
}
