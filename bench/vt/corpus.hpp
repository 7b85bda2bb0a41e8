#pragma once
// The three benchmark corpora (plain, shell, dense), generated once into the build folder.
#include <cstdint>
#include <expected>
#include <string>
#include <vector>

namespace vt_bench {

struct Corpus {
  std::string name;
  std::vector<std::uint8_t> bytes;
};

// Loads plain.bin, shell.bin and dense.bin from VT_CORPUS_DIR or $VEXA_BINARY_DIR/vt-corpus,
// running the shared generator first when they are missing.
std::expected<std::vector<Corpus>, std::string> load_corpora();

}  // namespace vt_bench
