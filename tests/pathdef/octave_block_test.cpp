// The marked block of addpath lines in GNU Octave's site startup file: only the block changes,
// every line outside it stays byte for byte.
#include "pathdef/octave_block.h"

#include <gtest/gtest.h>

#include "pathdef/entry_text.h"
#include "support/pathdef_fixtures.h"

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

// The line written for a directory, and the one the version before wrote.
std::string Line(const std::string& dir, const std::string& eol = "\n") {
  return "addpath ('" + dir + "', '-end');" + eol;
}
std::string OldLine(const std::string& dir, const std::string& eol = "\n") {
  return "addpath ('" + dir + "');" + eol;
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
        Case{"AddToEmptyFile", true, false, "", "/opt/x", Block(Line("/opt/x"))},
        Case{"AddBesideSavepathsBlock", true, false, kSavepath, "/opt/x", kSavepath + Block(Line("/opt/x"))},
        Case{"AddToOwnBlock", true, false, "a = 1;\n" + Block(OldLine("/opt/a")) + "b = 2;\n", "/opt/x",
             "a = 1;\n" + Block(OldLine("/opt/a") + Line("/opt/x")) + "b = 2;\n"},
        Case{"AddTwiceIsOnce", true, false, Block(Line("/opt/x")), "/opt/x", Block(Line("/opt/x"))},
        Case{"ListedByTheVersionBefore", true, false, Block(OldLine("/opt/x")), "/opt/x", Block(OldLine("/opt/x"))},
        Case{"ListedWithoutTrailingSlash", true, false, Block(Line("/opt/x")), "/opt/x/", Block(Line("/opt/x"))},
        Case{"PosixWritesAsGiven", true, false, "", "/opt/X.;", Block(Line("/opt/X.;"))},
        Case{"AddKeepsCrlf", true, true, "pkg load x\r\n", "c:\\tools",
             "pkg load x\r\n" + Block(Line("c:\\tools", "\r\n"), "\r\n")},
        Case{"AddAfterALastLineWithoutBreak", true, false, "x = 1;", "/opt/x", "x = 1;\n" + Block(Line("/opt/x"))},
        Case{"AddDoublesQuotes", true, false, "", "/home/o'brien", Block(Line("/home/o''brien"))},
        Case{"WindowsListedInAnyCase", true, true, Block(Line("C:\\Tools")), "c:\\tools", Block(Line("C:\\Tools"))},
        Case{"WindowsWritesTrimmedLowerCase", true, true, "x\n", "\"C:\\Tools\\Q\\. \"",
             "x\n" + Block(Line("c:\\tools\\q"))},
        Case{"WindowsTrailingBackslashListed", true, true, Block(OldLine("c:\\tools\\q")), "C:\\Tools\\Q\\",
             Block(OldLine("c:\\tools\\q"))},
        Case{"RemoveOneOfTwo", false, false, "a\n" + Block(Line("/opt/a") + Line("/opt/x")), "/opt/x",
             "a\n" + Block(Line("/opt/a"))},
        Case{"RemoveWrittenByTheVersionBefore", false, false, Block(OldLine("/opt/a") + OldLine("/opt/x")), "/opt/x/",
             Block(OldLine("/opt/a"))},
        Case{"RemoveParentTakesWhatIsBeneath", false, false,
             Block(Line("/opt/x") + OldLine("/opt/x/sub") + Line("/opt/xyz") + Line("/opt/x;") + Line("/opt/x.")),
             "/opt/x", Block(Line("/opt/xyz") + Line("/opt/x;") + Line("/opt/x."))},
        Case{"RemoveRootTakesOnlyItself", false, false, Block(Line("/") + Line("/opt/x")), "/", Block(Line("/opt/x"))},
        Case{"RemoveWindowsDriveTakesOnlyItself", false, true, Block(Line("c:\\") + Line("c:\\x")), "C:\\",
             Block(Line("c:\\x"))},
        Case{"RemoveWindowsTrimmed", false, true, Block(Line("c:\\a") + Line("c:\\b\\c")), "C:\\B.\\",
             Block(Line("c:\\a"))},
        Case{"RemoveEmptyingTheBlockDropsIt", false, false, kSavepath + "z\n" + Block(Line("/opt/x")), "/opt/x",
             kSavepath + "z\n"},
        Case{"RemoveKeepsOtherLinesOfTheBlock", false, false, Block("% mine\n" + Line("/opt/x")), "/opt/x",
             Block("% mine\n")},
        Case{"RemoveLeavesSavepathsBlockAlone", false, false, kSavepath, "/usr/share/x", kSavepath},
        Case{"RemoveWithoutBlockChangesNothing", false, false, "x = 1;", "/opt/x", "x = 1;"},
        Case{"RemoveKeepsCrlf", false, true, "a\r\n" + Block(Line("c:\\a", "\r\n") + Line("c:\\b", "\r\n"), "\r\n"),
             "C:\\B", "a\r\n" + Block(Line("c:\\a", "\r\n"), "\r\n")}),
    [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });

// A name that looks like the line's own end is still one name: only its lone quote ends it.
TEST(OctaveBlockLines, QuotesInsideANameAreTheName) {
  const std::string dir = "/opt/a', '-end";
  std::string added, removed;
  ASSERT_TRUE(AddToOctaveBlock(Block(Line("/opt/a")), dir, PathRules::Posix(), &added));
  EXPECT_EQ(added, Block(Line("/opt/a") + Line("/opt/a'', ''-end")));
  ASSERT_TRUE(RemoveFromOctaveBlock(added, dir, PathRules::Posix(), &removed));
  EXPECT_EQ(removed, Block(Line("/opt/a")));
  ASSERT_TRUE(RemoveFromOctaveBlock(added, "/opt/a", PathRules::Posix(), &removed));
  EXPECT_EQ(removed, Block(Line("/opt/a'', ''-end")));
}

// ADD and then REMOVE give back the file as it was, byte for byte, whatever it held and however
// the directory is spelled; a second ADD, in the directory's compared form too, changes nothing.
TEST(OctaveBlockRoundTrip, AddThenRemoveGivesBackTheFile) {
  const std::vector<std::string> texts = {"", kSavepath, "x\r\ny\r\n", kSavepath + "% end\n",
                                          "pkg load x\n" + Block(OldLine("/usr/share/y") + Line("c:\\y"))};
  for (bool windows : {false, true}) {
    PathRules rules = windows ? PathRules::Windows() : PathRules::Posix();
    for (const testing::HostileName& name : windows ? testing::kHostileWindowsNames : testing::kHostilePosixNames) {
      for (const std::string& text : texts) {
        SCOPED_TRACE(std::string(name.name) + " in: " + text);
        std::string added, again, removed;
        ASSERT_TRUE(AddToOctaveBlock(text, name.dir, rules, &added));
        EXPECT_NE(added, text);
        for (const std::string& spelling : {name.dir, ShownDirectory(name.dir, rules)}) {
          ASSERT_TRUE(AddToOctaveBlock(added, spelling, rules, &again));
          EXPECT_EQ(again, added) << spelling;
          ASSERT_TRUE(RemoveFromOctaveBlock(added, spelling, rules, &removed));
          EXPECT_EQ(removed, text) << spelling;
        }
      }
    }
  }
}

// The block's markers in any other arrangement than one begin line above one end line: the file
// is left alone, whatever else it holds.
TEST(OctaveBlockBroken, IsRefused) {
  std::string out;
  for (const std::string& text : {
           kBegin + "\n" + Line("/a"),                // a begin without its end
           "x\n" + kEnd + "\n",                       // an end without its begin
           kEnd + "\n" + Block(Line("/a")),           // a stray end above the block
           Block(Line("/a")) + kEnd + "\n",           // a stray end below it
           Block("") + kBegin + "\n",                 // a begin below it
           kBegin + "\n" + Block(Line("/a")),         // a second begin above it
           Block(Line("/a")) + Block(Line("/b")),     // two blocks
           kEnd + "\n" + Line("/a") + kBegin + "\n",  // the end above the begin
       }) {
    EXPECT_FALSE(AddToOctaveBlock(text, "/opt/x", PathRules::Posix(), &out)) << text;
    EXPECT_FALSE(RemoveFromOctaveBlock(text, "/opt/x", PathRules::Posix(), &out)) << text;
  }
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
                "## Begin vorex section, do not edit\naddpath ('/opt/x', '-end');\n## End vorex section\n");
      // Made from nothing, it gets the folder's own rights (readable by every user's Octave).
      EXPECT_EQ(fs.permissions[dir + "/octaverc"], testing::FakeFileSystem::FolderDefault(dir));
    }
  }
}

}  // namespace
}  // namespace vorex
