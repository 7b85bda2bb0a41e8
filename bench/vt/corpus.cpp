#include "corpus.hpp"

#include <fmt/format.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace vt_bench {
namespace {

namespace fs = std::filesystem;

const char* const kNames[] = {"plain", "shell", "dense"};

std::string env_or(const char* name, std::string fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::string(v) : fallback;
}

fs::path corpus_dir() {
  if (const char* dir = std::getenv("VT_CORPUS_DIR"); dir && *dir) return dir;
  return fs::path(env_or("VEXA_BINARY_DIR", ".")) / "vt-corpus";
}

// The generator lives beside the repository (../shared/bench); a worktree sits one level deeper.
std::expected<fs::path, std::string> find_generator() {
  if (const char* gen = std::getenv("VT_CORPUS_GEN"); gen && *gen) return fs::path(gen);
  fs::path source = env_or("VEXA_SOURCE_DIR", ".");
  for (fs::path candidate :
       {source / ".." / "shared/bench/vt-corpus", source / "../.." / "shared/bench/vt-corpus"}) {
    if (fs::exists(candidate)) return candidate;
  }
  return std::unexpected("vt-corpus generator not found; set VT_CORPUS_GEN");
}

bool all_present(const fs::path& dir) {
  for (const char* name : kNames) {
    if (!fs::exists(dir / (std::string(name) + ".bin"))) return false;
  }
  return true;
}

}  // namespace

std::expected<std::vector<Corpus>, std::string> load_corpora() {
  fs::path dir = corpus_dir();
  if (!all_present(dir)) {
    auto gen = find_generator();
    if (!gen) return std::unexpected(gen.error());
    fmt::print("generating corpora into {}\n", dir.string());
    std::string cmd = fmt::format("python3 '{}' '{}'", gen->string(), dir.string());
    if (std::system(cmd.c_str()) != 0 || !all_present(dir))
      return std::unexpected("vt-corpus generator failed");
  }
  std::vector<Corpus> out;
  for (const char* name : kNames) {
    std::ifstream in(dir / (std::string(name) + ".bin"), std::ios::binary);
    Corpus c{name, {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()}};
    if (c.bytes.empty()) return std::unexpected(fmt::format("{}.bin is empty", name));
    out.push_back(std::move(c));
  }
  return out;
}

}  // namespace vt_bench
