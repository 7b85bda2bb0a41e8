#include "doc/profiles.hpp"
#include "persist/temp_dir.hpp"
#include "platform/persist/persist.hpp"
#include "platform/sys/paths.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

using namespace vexa::doc::fixture;
namespace persist = vexa_ui::persist;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> names(const vexa::doc::Document& d) {
  std::vector<std::string> out;
  for (const auto& p : load_all(d)) out.push_back(p.name);
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<fs::path> unreadable_files(const fs::path& dir) {
  std::vector<fs::path> out;
  for (const auto& e : fs::directory_iterator(dir)) {
    if (e.path().filename().string().find(".unreadable-") != std::string::npos) out.push_back(e.path());
  }
  return out;
}

void write_bytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

struct PersistTest : ::testing::Test {
  persist::testing_support::TempDir dir;
  fs::path file = dir.path / "nested" / "profiles.vexadoc";
};

}  // namespace

TEST_F(PersistTest, FirstSaveCreatesAPrivateFileThatLoadsBack) {
  auto opened = persist::open_file(file);
  ASSERT_TRUE(opened) << opened.error();
  EXPECT_FALSE(opened->notice());
  EXPECT_TRUE(load_all(opened->document()).empty());
  ASSERT_TRUE(opened->commit_and_save());
  EXPECT_FALSE(fs::exists(file));  // nothing committed, nothing written
  upsert(opened->document(), sample_profile(1));
  ASSERT_TRUE(opened->commit_and_save());
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  auto again = persist::open_file(file);
  ASSERT_TRUE(again);
  EXPECT_EQ(load_all(again->document()), load_all(opened->document()));
  EXPECT_EQ(again->document().heads(), opened->document().heads());
}

TEST_F(PersistTest, TwoOpenersNeverLoseEachOthersEdits) {
  {
    auto seed = persist::open_file(file);
    upsert(seed->document(), sample_profile(0));
    ASSERT_TRUE(seed->commit_and_save());
  }
  auto a = persist::open_file(file);
  auto b = persist::open_file(file);
  ASSERT_TRUE(a && b);
  upsert(a->document(), sample_profile(1));
  ASSERT_TRUE(a->commit_and_save());
  EXPECT_FALSE(a->poll_external());  // its own write is not news
  rename(b->document(), sample_profile(0).id, "Renamed by b");
  ASSERT_TRUE(b->commit_and_save());  // the file moved on since b read it: merged, not replaced
  EXPECT_TRUE(b->poll_external());    // b's document now holds a's profile too
  EXPECT_FALSE(b->poll_external());
  EXPECT_TRUE(a->poll_external());
  EXPECT_FALSE(a->poll_external());
  std::vector<std::string> want{"Renamed by b", "Server 1"};
  EXPECT_EQ(names(a->document()), want);
  EXPECT_EQ(names(b->document()), want);
  auto third = persist::open_file(file);
  EXPECT_EQ(names(third->document()), want);
}

TEST_F(PersistTest, UnsavedEditsAreWrittenBackWhenAnOutsideChangeIsMerged) {
  {
    auto seed = persist::open_file(file);
    upsert(seed->document(), sample_profile(0));
    ASSERT_TRUE(seed->commit_and_save());
  }
  auto a = persist::open_file(file);
  auto b = persist::open_file(file);
  upsert(a->document(), sample_profile(1));
  ASSERT_TRUE(a->commit_and_save());
  upsert(b->document(), sample_profile(2));
  b->document().commit();  // committed, not yet saved
  EXPECT_TRUE(b->poll_external());
  auto third = persist::open_file(file);
  EXPECT_EQ(load_all(third->document()).size(), 3u);
}

TEST_F(PersistTest, AFileThatDoesNotLoadIsKeptAsideAndTheUserIsTold) {
  struct Case {
    std::string bytes;
    std::string reason;
  };
  vexa::doc::Document good;
  upsert(good, sample_profile(3));
  std::string saved = good.save();
  std::string future = saved;
  future[8] = 9;
  const Case cases[] = {
      {saved.substr(0, saved.size() / 2), "the document file is truncated"},
      {"not a document at all", "the file is not a saved document"},
      {future,
       "the document file was written by a newer version (format 9); this version reads format 1"},
  };
  for (const Case& c : cases) {
    persist::testing_support::TempDir here;
    fs::path path = here.path / "profiles.vexadoc";
    write_bytes(path, c.bytes);
    auto opened = persist::open_file(path);
    ASSERT_TRUE(opened) << opened.error();
    auto kept = unreadable_files(here.path);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(*vexa::sys::read_file(kept[0]), c.bytes);
    EXPECT_EQ(opened->notice(),
              "The saved document could not be read (" + c.reason + "). It was kept as " +
                  kept[0].filename().string() + " and a new one was started.");
    EXPECT_TRUE(load_all(opened->document()).empty());
    upsert(opened->document(), sample_profile(4));
    ASSERT_TRUE(opened->commit_and_save());
    EXPECT_EQ(*vexa::sys::read_file(kept[0]), c.bytes);  // never overwritten
    EXPECT_EQ(unreadable_files(here.path).size(), 1u);
    EXPECT_TRUE(opened->take_notice());
    EXPECT_FALSE(opened->notice());
  }
}

TEST_F(PersistTest, ABadFileWrittenWhileRunningIsKeptAsideAndOursRestored) {
  auto a = persist::open_file(file);
  upsert(a->document(), sample_profile(5));
  ASSERT_TRUE(a->commit_and_save());
  write_bytes(file, "garbage");
  a->poll_external();
  EXPECT_TRUE(a->notice());
  auto kept = unreadable_files(file.parent_path());
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(*vexa::sys::read_file(kept[0]), "garbage");
  auto reread = persist::open_file(file);
  ASSERT_TRUE(reread);
  EXPECT_EQ(load_all(reread->document()).size(), 1u);
}

TEST_F(PersistTest, TheEnvironmentNamesTheFile) {
  ::setenv("XDG_DATA_HOME", dir.path.c_str(), 1);
  ::unsetenv("VEXA_REMOTE_DOCUMENT");
  EXPECT_EQ(*persist::document_path(), dir.path / "io.vexa.remote" / "profiles.vexadoc");
  ::setenv("VEXA_REMOTE_DOCUMENT", file.c_str(), 1);
  EXPECT_EQ(*persist::document_path(), file);
  auto opened = persist::open();
  ASSERT_TRUE(opened);
  EXPECT_EQ(opened->path(), file);
  ::unsetenv("VEXA_REMOTE_DOCUMENT");
  ::unsetenv("XDG_DATA_HOME");
}
