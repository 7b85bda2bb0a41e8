// Real processes sharing one document file.
#include "doc/profiles.hpp"
#include "persist/temp_dir.hpp"
#include "platform/persist/persist.hpp"
#include "platform/sys/paths.hpp"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <thread>

using namespace vexa::doc::fixture;
namespace persist = vexa_ui::persist;
namespace fs = std::filesystem;

namespace {

struct Child {
  pid_t pid = -1;
  FILE* out = nullptr;  // its standard output
};

Child spawn(const fs::path& file, std::vector<std::string> args, const std::string& barrier = "") {
  int pipe_fds[2];
  if (::pipe(pipe_fds) != 0) return {};
  pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(pipe_fds[1], 1);
    ::close(pipe_fds[0]);
    ::setenv("VEXA_REMOTE_DOCUMENT", file.c_str(), 1);
    if (!barrier.empty()) ::setenv("PERSIST_BARRIER", barrier.c_str(), 1);
    std::vector<char*> argv{const_cast<char*>(PERSIST_HELPER)};
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(PERSIST_HELPER, argv.data());
    ::_exit(127);
  }
  ::close(pipe_fds[1]);
  return Child{pid, ::fdopen(pipe_fds[0], "r")};
}

int wait_exit(Child& c) {
  int status = 0;
  ::waitpid(c.pid, &status, 0);
  if (c.out) std::fclose(c.out);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::size_t count_temp(const fs::path& dir) {
  std::size_t n = 0;
  for (const auto& e : fs::directory_iterator(dir)) {
    n += e.path().filename().string().find(".tmp-") != std::string::npos;
  }
  return n;
}

std::size_t count_ready(const fs::path& dir) {
  std::size_t n = 0;
  for (const auto& e : fs::directory_iterator(dir)) {
    n += e.path().filename().string().find(".ready.") != std::string::npos;
  }
  return n;
}

}  // namespace

TEST(Processes, AnAddAndAConcurrentRenameBothSurvive) {
  persist::testing_support::TempDir dir;
  fs::path file = dir.path / "profiles.vexadoc";
  {
    auto seed = persist::open_file(file);
    for (int i = 0; i < 3; ++i) upsert(seed->document(), sample_profile(i));
    ASSERT_TRUE(seed->commit_and_save());
  }
  std::string barrier = (dir.path / "barrier").string();
  Child adder = spawn(file, {"add", "7"}, barrier);
  Child renamer = spawn(file, {"rename", "1", "Build box"}, barrier);
  // Both have loaded the same file and made their edit before either saves.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (count_ready(dir.path) < 2 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_EQ(count_ready(dir.path), 2u);
  std::ofstream(barrier + ".go") << "go";
  EXPECT_EQ(wait_exit(adder), 0);
  EXPECT_EQ(wait_exit(renamer), 0);

  auto third = persist::open_file(file);
  ASSERT_TRUE(third);
  auto profiles = load_all(third->document());
  ASSERT_EQ(profiles.size(), 4u);
  auto named = [&](const std::string& id) {
    for (const auto& p : profiles) {
      if (p.id == id) return p.name;
    }
    return std::string("<missing>");
  };
  EXPECT_EQ(named(sample_profile(7).id), "Server 7");
  EXPECT_EQ(named(sample_profile(1).id), "Build box");
  EXPECT_EQ(named(sample_profile(0).id), "Server 0");
}

TEST(Processes, AWriterKilledWhileSavingLeavesTheLastSaveLoadable) {
  persist::testing_support::TempDir dir;
  fs::path file = dir.path / "profiles.vexadoc";
  {
    // Large enough that a save takes a while, so kills land in the middle of writing.
    auto seed = persist::open_file(file);
    for (int i = 0; i < 3000; ++i) upsert(seed->document(), sample_profile(100000 + i));
    ASSERT_TRUE(seed->commit_and_save());
  }
  std::mt19937 rng(11);
  std::uint64_t next = 0;
  for (int round = 0; round < 8; ++round) {
    Child churn = spawn(file, {"churn", std::to_string(next)});
    unsigned long long last_saved = 0;
    bool any = false;
    char line[64];
    // Let it save a few times, then kill it at an arbitrary moment.
    for (int n = 1 + static_cast<int>(rng() % 4); n > 0 && std::fgets(line, sizeof line, churn.out); --n) {
      any = std::sscanf(line, "saved %llu", &last_saved) == 1 || any;
    }
    if (round % 2 == 0) {
      // Kill while a save's temporary file exists: the write is half done.
      auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
      while (count_temp(dir.path) == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::yield();
      }
    } else {
      std::this_thread::sleep_for(std::chrono::microseconds(rng() % 20000));
    }
    ::kill(churn.pid, SIGKILL);
    wait_exit(churn);
    ASSERT_TRUE(any);
    if (round % 2 == 0) {
      EXPECT_EQ(count_temp(dir.path), 1u);  // the write it never finished
    }
    auto bytes = vexa::sys::read_file(file);
    ASSERT_TRUE(bytes);
    auto loaded = vexa::doc::Document::load(*bytes);
    ASSERT_TRUE(loaded) << "round " << round << ": " << loaded.error().message;
    // Every save the writer reported is in the file.
    std::size_t found = 0;
    for (const auto& p : load_all(*loaded)) {
      for (std::uint64_t k = 0; k <= last_saved; ++k) found += p.id == sample_profile(k).id;
    }
    EXPECT_EQ(found, last_saved + 1);
    next = last_saved + 1;
  }
  // The next opener clears what the killed writers left.
  ASSERT_TRUE(persist::open_file(file));
  EXPECT_EQ(count_temp(dir.path), 0u);
}

TEST(Processes, AnotherInstancesSaveIsNoticedWithinASecond) {
  persist::testing_support::TempDir dir;
  fs::path file = dir.path / "profiles.vexadoc";
  auto mine = persist::open_file(file);
  upsert(mine->document(), sample_profile(0));
  ASSERT_TRUE(mine->commit_and_save());
  EXPECT_FALSE(mine->poll_external());
  Child other = spawn(file, {"add", "9"});
  ASSERT_EQ(wait_exit(other), 0);
  // Polled as the UI loop's timer does, every 250 ms.
  bool noticed = false;
  for (int tick = 0; tick < 4 && !noticed; ++tick) {
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    noticed = mine->poll_external();
  }
  EXPECT_TRUE(noticed);
  EXPECT_EQ(load_all(mine->document()).size(), 2u);
}
