// The marked block of addpath lines in GNU Octave's site startup file: only the block changes,
// every line outside it stays byte for byte.
#include "pathdef/octave_block.h"

#include <gtest/gtest.h>

namespace vorex {
namespace {

const std::string kBegin = "## Begin vorex section, do not edit";
const std::string kEnd = "## End vorex section";
const std::string kSavepath =
    "## Begin savepath auto-created section, do not edit\n"
    "addpath ('/usr/share/x', '-begin');\n"
    "## End savepath auto-created section\n";

std::string Block(const std::string& lines, const std::string& eol = "\n") {
  return kBegin + eol + lines + kEnd + eol;
}

struct Case {
  const char* name;
  bool add;
  bool windows;
  std::string text;
  std::string dir;
  std::string expected;
};

class OctaveBlockTest : public ::testing::TestWithParam<Case> {};

TEST_P(OctaveBlockTest, OnlyTheBlockChanges) {
  const Case& c = GetParam();
  PathRules rules = c.windows ? PathRules::Windows() : PathRules::Posix();
  std::string out;
  ASSERT_TRUE(c.add ? AddToOctaveBlock(c.text, c.dir, rules, &out) : RemoveFromOctaveBlock(c.text, c.dir, rules, &out));
  EXPECT_EQ(out, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Edits, OctaveBlockTest,
    ::testing::Values(
        Case{"AddToEmptyFile", true, false, "", "/opt/x", Block("addpath ('/opt/x');\n")},
        Case{"AddBesideSavepathsBlock", true, false, kSavepath, "/opt/x", kSavepath + Block("addpath ('/opt/x');\n")},
        Case{"AddToOwnBlock", true, false, "a = 1;\n" + Block("addpath ('/opt/a');\n") + "b = 2;\n", "/opt/x",
             "a = 1;\n" + Block("addpath ('/opt/a');\naddpath ('/opt/x');\n") + "b = 2;\n"},
        Case{"AddTwiceIsOnce", true, false, Block("addpath ('/opt/x');\n"), "/opt/x", Block("addpath ('/opt/x');\n")},
        Case{"AddKeepsCrlf", true, true, "pkg load x\r\n", "c:\\tools",
             "pkg load x\r\n" + Block("addpath ('c:\\tools');\r\n", "\r\n")},
        Case{"AddAfterALastLineWithoutBreak", true, false, "x = 1;", "/opt/x",
             "x = 1;\n" + Block("addpath ('/opt/x');\n")},
        Case{"AddDoublesQuotes", true, false, "", "/home/o'brien", Block("addpath ('/home/o''brien');\n")},
        Case{"WindowsListedInAnyCase", true, true, Block("addpath ('C:\\Tools');\n"), "c:\\tools",
             Block("addpath ('C:\\Tools');\n")},
        Case{"RemoveOneOfTwo", false, false, "a\n" + Block("addpath ('/opt/a');\naddpath ('/opt/x');\n"), "/opt/x",
             "a\n" + Block("addpath ('/opt/a');\n")},
        Case{"RemoveParentTakesWhatIsBeneath", false, false,
             Block("addpath ('/opt/x');\naddpath ('/opt/x/sub');\naddpath ('/opt/xyz');\n"), "/opt/x",
             Block("addpath ('/opt/xyz');\n")},
        Case{"RemoveEmptyingTheBlockDropsIt", false, false, kSavepath + "z\n" + Block("addpath ('/opt/x');\n"),
             "/opt/x", kSavepath + "z\n"},
        Case{"RemoveLeavesSavepathsBlockAlone", false, false, kSavepath, "/usr/share/x", kSavepath},
        Case{"RemoveWithoutBlockChangesNothing", false, false, "x = 1;", "/opt/x", "x = 1;"},
        Case{"RemoveKeepsCrlf", false, true, "a\r\n" + Block("addpath ('c:\\a');\r\naddpath ('c:\\b');\r\n", "\r\n"),
             "C:\\B", "a\r\n" + Block("addpath ('c:\\a');\r\n", "\r\n")}),
    [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });

// ADD and then REMOVE give back the file as it was, whatever it held.
TEST(OctaveBlockRoundTrip, AddThenRemoveGivesBackTheFile) {
  for (const std::string& text : {std::string(), kSavepath, std::string("x\r\ny\r\n"), kSavepath + "% end\n"}) {
    std::string added, removed;
    ASSERT_TRUE(AddToOctaveBlock(text, "/opt/x", PathRules::Posix(), &added));
    ASSERT_TRUE(RemoveFromOctaveBlock(added, "/opt/x", PathRules::Posix(), &removed));
    EXPECT_EQ(removed, text);
  }
}

// A block cut in two (a begin line without its end, or an end without its begin) is not
// guessed at: the file is left alone.
TEST(OctaveBlockBroken, IsRefused) {
  std::string out;
  for (const std::string& text : {kBegin + "\naddpath ('/a');\n", "x\n" + kEnd + "\n", Block("") + kBegin + "\n"}) {
    EXPECT_FALSE(AddToOctaveBlock(text, "/opt/x", PathRules::Posix(), &out)) << text;
    EXPECT_FALSE(RemoveFromOctaveBlock(text, "/opt/x", PathRules::Posix(), &out)) << text;
  }
}

TEST(OctaveStartupFile, NamedOctaverc) {
  EXPECT_TRUE(IsOctaveStartupFile("/usr/share/octave/site/m/startup/octaverc", PathRules::Posix()));
  EXPECT_FALSE(IsOctaveStartupFile("/usr/share/octave/site/m/startup/OCTAVERC", PathRules::Posix()));
  EXPECT_TRUE(IsOctaveStartupFile("C:\\o\\OCTAVERC", PathRules::Windows()));
  EXPECT_FALSE(IsOctaveStartupFile("/x/toolbox/local/pathdef.m", PathRules::Posix()));
}

}  // namespace
}  // namespace vorex

#include "pathdef/edit_passes.h"
#include "support/fake_file_system.h"
#include "support/pass_harness.h"

namespace vorex {
namespace {

// A site startup file that does not exist yet is made; when it cannot be put in place (some
// other file appeared under the name, say), nothing is left behind and nothing is overwritten.
TEST(OctaveStartupFile, MadeWhenMissingAndNothingLeftWhenThatFails) {
  const std::string dir = "/p/share/octave/site/m/startup";
  for (bool fail : {false, true}) {
    SCOPED_TRACE(fail);
    testing::FakeFileSystem fs;
    fs.dirs.insert(dir);
    if (fail) fs.FailOn(testing::FakeFileSystem::Op::kRename, 1, "octaverc.new");
    testing::PassHarness h(PathRules::Posix(), fs);
    h.commands = {"ADD"};
    h.paths = {"/opt/x"};
    EXPECT_EQ(h.Add({dir + "/octaverc"}), fail ? 0 : 1);
    EXPECT_EQ(fs.files.count(dir + "/octaverc.new"), 0u);
    EXPECT_EQ(fs.files.count(dir + "/octaverc.bak"), 0u);
    if (fail) {
      EXPECT_EQ(fs.files.count(dir + "/octaverc"), 0u);
      ASSERT_EQ(h.problems.size(), 1u);
      EXPECT_EQ(h.problems[0].rfind("Failed: rename " + dir + "/octaverc.new to " + dir + "/octaverc: ", 0), 0u);
    } else {
      EXPECT_EQ(fs.files[dir + "/octaverc"],
                "## Begin vorex section, do not edit\naddpath ('/opt/x');\n## End vorex section\n");
    }
  }
}

}  // namespace
}  // namespace vorex
