#pragma once
#include <cstdlib>
#include <filesystem>
#include <string>

namespace vexa_ui::persist::testing_support {

// A fresh directory under the system's temporary folder, removed with its contents at the end.
struct TempDir {
  std::filesystem::path path;
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vexa-persist-XXXXXX").string();
    path = ::mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
};

}  // namespace vexa_ui::persist::testing_support
