// Listings read ahead by the reader pool are the listings the walk would read itself.
#include "platform/posix/directory_reader.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

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

// A tree with breadth and depth, a link, a directory the walk does not enter, one it lists
// twice and a wide one.
struct Tree {
  TempDir t;
  Tree() {
    for (int a = 0; a < 6; ++a)
      for (int b = 0; b < 5; ++b)
        for (int c = 0; c < 3; ++c)
          t.File("r/a" + std::to_string(a) + "/b" + std::to_string(b) + "/c" + std::to_string(c) + "/f.m");
    t.File("r/mnt/inside/f.m");
    // Wider than the readers' work may hold with one listing held: the walk lists the rest.
    for (int w = 0; w < 80; ++w) t.Dir("r/wide/w" + std::to_string(w));
    t.File("r/a2/local/pathdef.m");
    EXPECT_EQ(::symlink((t / "r/a1").c_str(), (t / "r/a0/link").c_str()), 0);
  }
  std::string Root() const { return t / "r"; }
  bool Enters(const std::string& path) const { return path != t / "r/mnt"; }
};

// Walks depth first as the drive scan does, checking each listing against a fresh read.
// Returns the directories in the order the walk met them.
std::vector<std::string> Walk(ReadAhead& ahead, const Tree& tree, std::size_t held, std::size_t stopAfter = 1u << 30) {
  std::vector<std::string> order;
  std::vector<std::string> stack{tree.Root()};
  while (!stack.empty() && order.size() < stopAfter) {
    std::string dir = stack.back();
    stack.pop_back();
    order.push_back(dir);
    Listing listing = ahead.List(dir);
    EXPECT_EQ(Names(listing), Names(ReadDirectory(dir))) << dir;
    EXPECT_LE(ahead.Held(), held);
    std::vector<std::string> subdirs;
    for (const RawEntry& e : listing.entries) {
      std::string child = dir + "/" + e.name;
      if (e.type == DT_DIR && tree.Enters(child)) subdirs.push_back(child);
      if (e.name == "local") {
        EXPECT_EQ(Names(ahead.List(child)), (std::set<std::string>{"pathdef.m"}));
      }
    }
    stack.insert(stack.end(), subdirs.rbegin(), subdirs.rend());
  }
  return order;
}

TEST(DirectoryReaderTest, ReadAheadGivesTheWalkTheSameListingsWithinItsBound) {
  Tree tree;
  for (unsigned readers : {0u, 1u, 4u}) {  // none: what is left when no thread can be made
    for (std::size_t held : {std::size_t{1}, std::size_t{4}, std::size_t{64}}) {
      SCOPED_TRACE(::testing::Message() << readers << " readers, " << held << " held");
      ReadAhead ahead(readers, held);
      ahead.Start(tree.Root(), [&](const std::string& p) { return tree.Enters(p); });
      std::vector<std::string> order = Walk(ahead, tree, held);
      EXPECT_EQ(order.size(), 1u + 6 + 6 * 5 + 6 * 5 * 3 + 1 + 1 + 80);  // root, a*, b*, c*, a2/local, wide*
      EXPECT_EQ(std::count(order.begin(), order.end(), tree.Root() + "/mnt"), 0);
      ahead.Clear();
      EXPECT_EQ(ahead.Held(), 0u);
    }
  }
}

TEST(DirectoryReaderTest, ACancelledWalkLeavesNothingForTheNext) {
  Tree tree;
  ReadAhead ahead(4, 16);
  ahead.Start(tree.Root(), [&](const std::string& p) { return tree.Enters(p); });
  Walk(ahead, tree, 16, 10);  // cancelled after ten directories
  ahead.Clear();
  EXPECT_EQ(ahead.Held(), 0u);
  // The same tree walked again, changed meanwhile: nothing stale is handed out.
  tree.t.File("r/a5/b4/c2/new.m");
  ahead.Start(tree.Root(), [&](const std::string& p) { return tree.Enters(p); });
  Walk(ahead, tree, 16);
  // A directory nobody announced is simply read.
  EXPECT_EQ(Names(ahead.List(tree.Root() + "/mnt")), (std::set<std::string>{"inside/"}));
}

}  // namespace
}  // namespace vorex
