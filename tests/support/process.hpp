#pragma once
// Runs a command line through the shell for tests that drive real processes; captures its
// output and exit status.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace test_support {

struct ProcessResult {
  int exit_code = -1;
  std::string out;
  std::string err;
};

inline std::string slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

inline std::filesystem::path temp_dir(const std::string& tag) {
  auto dir = std::filesystem::temp_directory_path() /
             (tag + "-" + std::to_string(::getpid()) + "-" + std::to_string(std::rand()));
  std::filesystem::create_directories(dir);
  return dir;
}

// `command` is a shell command line; quote arguments yourself.
inline ProcessResult run_shell(const std::string& command) {
  auto dir = temp_dir("vexa-proc");
  std::string full = command + " >" + (dir / "out").string() + " 2>" + (dir / "err").string() + " </dev/null";
  int status = std::system(full.c_str());
  ProcessResult r;
  r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  r.out = slurp(dir / "out");
  r.err = slurp(dir / "err");
  std::filesystem::remove_all(dir);
  return r;
}

inline std::string shell_quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'') out += "'\\''"; else out += c;
  }
  return out + "'";
}

inline std::string binary_dir() {
  const char* dir = std::getenv("VEXA_BINARY_DIR");
#ifdef VEXA_BINARY_DIR
  if (!dir) dir = VEXA_BINARY_DIR;
#endif
  return dir ? dir : ".";
}

inline std::string source_dir() {
  const char* dir = std::getenv("VEXA_SOURCE_DIR");
#ifdef VEXA_SOURCE_DIR
  if (!dir) dir = VEXA_SOURCE_DIR;
#endif
  return dir ? dir : ".";
}

}  // namespace test_support
