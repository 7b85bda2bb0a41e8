// One process of the multi-process tests: opens the document through persist::open (the file
// comes from VEXA_REMOTE_DOCUMENT) and makes one edit.
//   persist_helper add N            adds sample profile N
//   persist_helper rename N NAME    renames sample profile N
//   persist_helper churn N          adds profiles N, N+1, ... saving after each, forever,
//                                   printing "saved K" once profile K is on disk
// With PERSIST_BARRIER=PATH, an edit waits after making its change and before saving until
// PATH.go exists, having created PATH.ready.<pid>, so two helpers save at the same moment.
#include "doc/profiles.hpp"
#include "platform/persist/persist.hpp"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

using namespace vexa::doc::fixture;
namespace persist = vexa_ui::persist;

namespace {

void wait_at_barrier() {
  const char* barrier = std::getenv("PERSIST_BARRIER");
  if (!barrier) return;
  std::ofstream(std::string(barrier) + ".ready." + std::to_string(::getpid())) << "ready";
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!persist::stamp_of(std::string(barrier) + ".go").exists &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

int fail(const std::string& why) {
  std::fprintf(stderr, "persist_helper: %s\n", why.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return fail("usage: persist_helper add|rename|churn N [NAME]");
  std::string command = argv[1];
  std::uint64_t n = std::strtoull(argv[2], nullptr, 10);
  auto file = persist::open();
  if (!file) return fail(file.error());
  auto& doc = file->document();
  if (command == "add") {
    upsert(doc, sample_profile(n));
  } else if (command == "rename" && argc > 3) {
    rename(doc, sample_profile(n).id, argv[3]);
  } else if (command == "churn") {
    for (std::uint64_t k = n;; ++k) {
      upsert(doc, sample_profile(k));
      if (auto saved = file->commit_and_save(); !saved) return fail(saved.error());
      std::printf("saved %llu\n", static_cast<unsigned long long>(k));
      std::fflush(stdout);
    }
  } else {
    return fail("unknown command " + command);
  }
  wait_at_barrier();
  if (auto saved = file->commit_and_save(); !saved) return fail(saved.error());
  return 0;
}
