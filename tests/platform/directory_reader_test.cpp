// Listings read ahead by the reader pool are the listings the walk would read itself.
#include "platform/posix/directory_reader.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "support/temp_dir.h"

namespace vorex {
namespace {

using testing::TempDir;

std::set<std::string> Names(const Listing& listing) {
  std::set<std::string> names;
  for (const RawEntry& e : listing.entries) names.insert(e.name + (e.type == DT_DIR ? "/" : ""));
  return names;
}

TEST(DirectoryReaderTest, ReadsNamesAndTypesWithoutDots) {
  TempDir t;
  t.File("a/x.m");
  t.Dir("a/sub");
  Listing listing = ReadDirectory(t / "a");
  ASSERT_TRUE(listing.ok);
  EXPECT_EQ(Names(listing), (std::set<std::string>{"x.m", "sub/"}));
  EXPECT_FALSE(ReadDirectory(t / "a/x.m").ok);    // not a directory
  EXPECT_FALSE(ReadDirectory(t / "missing").ok);  // cannot be listed
}

TEST(DirectoryReaderTest, ReadAheadGivesTheSameListingsWhateverTheOrderAndBound) {
  TempDir t;
  std::vector<std::string> dirs;
  for (int i = 0; i < 40; ++i) {
    t.File("d" + std::to_string(i) + "/f" + std::to_string(i));
    dirs.push_back(t / ("d" + std::to_string(i)));
  }
  for (std::size_t held : {std::size_t{1}, std::size_t{4}, std::size_t{64}}) {
    ReadAhead ahead(4, held);
    ahead.Hint(dirs);
    for (const std::string& dir : dirs) {
      Listing listing;
      if (!ahead.Take(dir, &listing)) listing = ReadDirectory(dir);  // as the file system does
      EXPECT_EQ(Names(listing), Names(ReadDirectory(dir))) << dir;
    }
    Listing none;
    EXPECT_FALSE(ahead.Take(t / "never-hinted", &none));
    ahead.Hint(dirs);
    ahead.Clear();  // a cancelled walk: nothing is kept
    EXPECT_FALSE(ahead.Take(dirs.back(), &none));
  }
}

}  // namespace
}  // namespace vorex
