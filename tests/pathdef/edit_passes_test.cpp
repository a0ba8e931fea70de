#include "pathdef/edit_passes.h"
#include "pathdef/entry_text.h"

#include <gtest/gtest.h>

#include "pathdef/pathdef_text.h"
#include "support/fake_file_system.h"
#include "support/pass_harness.h"
#include "support/pathdef_fixtures.h"

namespace vorex {
namespace {

using testing::Crlf;
using testing::FakeFileSystem;

const std::string kWinPath = "C:\\M\\toolbox\\local\\pathdef.m";
const std::string kUnixPath = "/usr/local/M/toolbox/local/pathdef.m";

using Harness = testing::PassHarness;

// The text with `entry` inserted before line `before` (0-based).
std::string Inserted(const std::string& text, std::size_t before, const std::string& entry) {
  std::size_t pos = 0;
  for (std::size_t i = 0; i < before; ++i) pos = text.find('\n', pos) + 1;
  return text.substr(0, pos) + entry + text.substr(pos);
}

std::size_t LineOf(const std::string& text, const std::string& needle) {
  std::size_t pos = text.find(needle);
  std::size_t line = 0;
  for (std::size_t i = 0; i < pos; ++i) line += text[i] == '\n';
  return line;
}

// The text as Windows leaves a UNIX file's list: the first ":'" of each line between the markers
// (from the top in a file without a begin marker) becomes ";'", every other line stays as it was.
std::string ListConverted(const std::string& text) {
  std::string out;
  bool inList = text.find("%%% BEGIN ENTRIES %%%") == std::string::npos;
  for (const TextLine& line : SplitLines(text)) {
    std::string t(line.text);
    if (t == "%%% END ENTRIES %%%") inList = false;
    if (std::size_t p = t.find(":'"); inList && p != std::string::npos) t[p] = ';';
    if (t == "%%% BEGIN ENTRIES %%%") inList = true;
    out += t + std::string(line.eol);
  }
  return out;
}

struct AddCase {
  const char* name;
  bool windows;
  std::string original;
  std::string dir;
  std::string expected;
};

class AddTest : public ::testing::TestWithParam<AddCase> {};

TEST_P(AddTest, WritesEntryAndKeepsEverythingElse) {
  const AddCase& c = GetParam();
  Harness h(c.windows ? PathRules::Windows() : PathRules::Posix());
  std::string path = c.windows ? kWinPath : kUnixPath;
  h.fs.AddFile(path, c.original);
  h.commands = {"add"};
  h.paths = {c.dir};
  ASSERT_EQ(h.Add({path}), 1);
  EXPECT_EQ(h.fs.files[path], c.expected);
  // A file whose text stays the same is not rewritten: no backup is made of it.
  std::string bak = SiblingName(path, "pathdef.bak", h.rules);
  if (c.expected == c.original) {
    EXPECT_EQ(h.fs.files.count(bak), 0u);
  } else {
    EXPECT_EQ(h.fs.files[bak], c.original);
  }
  EXPECT_EQ(h.fs.files.count(SiblingName(path, "pathdef.new", h.rules)), 0u);
}

const std::string kMarkerFirst = "%%% END ENTRIES %%%\n];\n";
const std::string kTextAfterMarker = "p = [...\n     'a;', ...\n  %%% END ENTRIES %%% trailing\n];\n";
const std::string kBracketInComment = "p = [...\n% use ['x'] here\n     'a;', ...\n%%% END ENTRIES %%%\n];\n";
const std::string kColons = "p = [...\n     'C:\\a:', ... % :'x' :'y'\n%%% END ENTRIES %%%\n];\n";
const std::string kLongLine = "p = [...\n     '" + std::string(700, 'q') + ";', ...\n%%% END ENTRIES %%%\n];\n";
const std::string kCrOnly = "p = [...\r     'a;', ...\r%%% END ENTRIES %%%\r];\r";
const std::string kCrOnlyUnix = "p = [...\r'/a:', ...\r%%% END ENTRIES %%%\r];\r";
const std::string kMixedEnds = "p = [...\r\n'/a:', ...\r%%% END ENTRIES %%%\n];\r\n";
const std::string kBelowOnly = "p = [...\n     'a;', ...\n%%% END ENTRIES %%%\n'C:\\new;', ...\n];\n";

INSTANTIATE_TEST_SUITE_P(
    Files, AddTest,
    ::testing::Values(
        AddCase{"SavepathAboveMarker", true, testing::kSavepathWindows, "D:\\Tools\\New",
                Inserted(testing::kSavepathWindows, LineOf(testing::kSavepathWindows, "%%% END"),
                         "\t'd:\\tools\\new;',...\n")},
        AddCase{"SavepathCrlf", true, Crlf(testing::kSavepathWindows), "D:\\Tools\\New",
                Crlf(Inserted(testing::kSavepathWindows, LineOf(testing::kSavepathWindows, "%%% END"),
                              "\t'd:\\tools\\new;',...\n"))},
        AddCase{
            "TrimCharactersDropped", true, testing::kSavepathWindows, " ';D:\\New.;' ",
            Inserted(testing::kSavepathWindows, LineOf(testing::kSavepathWindows, "%%% END"), "\t'd:\\new;',...\n")},
        AddCase{"MarkerOnFirstLine", true, kMarkerFirst, "C:\\n", "\t';c:\\n;',...\n" + kMarkerFirst},
        AddCase{"OldInstallerBelowLastEntry", true, Crlf(testing::kOldInstallerLf), "C:\\New",
                Crlf(Inserted(testing::kOldInstallerLf, LineOf(testing::kOldInstallerLf, "'C:\\Tools\\xyz") + 1,
                              "\t'c:\\new;',...\n"))},
        AddCase{"UnixKeepsCaseAndColon", false, testing::kCurrentUnix, "/opt/My Tools",
                Inserted(testing::kCurrentUnix, LineOf(testing::kCurrentUnix, "%%% END"), "\t'/opt/My Tools:',...\n")},
        AddCase{"QuoteDoubled", true, kMarkerFirst, "C:\\O'Brien", "\t';c:\\o''brien;',...\n" + kMarkerFirst},
        AddCase{"TextAroundMarkerKept", true, kTextAfterMarker, "C:\\n",
                "p = [...\n     'a;', ...\n\t'c:\\n;',...\n  %%% END ENTRIES %%% trailing\n];\n"},
        AddCase{
            "EntryBeforeMarkerStaysItsOwnLine", false, testing::kMarkerAfterEntry, "/opt/x",
            "function p = pathdef\np = [...\n%%% BEGIN ENTRIES %%%\n     matlabroot,'/toolbox/matlab/general:', ...\n"
            "     matlabroot,'/toolbox/matlab/d1:', ... \n\t'/opt/x:',...\n%%% END ENTRIES %%%\n];\n"},
        AddCase{"NoteAfterMarkerKept", false, testing::kMarkerWithNote, "/opt/x",
                "function p = pathdef\np = [...\n     matlabroot,'/toolbox/matlab/general:', ...\n"
                "     matlabroot,'/toolbox/matlab/d1:', ... \n\t'/opt/x:',...\n%%% END ENTRIES %%% (do not edit "
                "below)\n];\n"},
        AddCase{"MarkerOnClosingLineKeptWhole", false, testing::kMarkerOnClosingLine, "/opt/x",
                Inserted(testing::kMarkerOnClosingLine, 3, "\t'/opt/x:',...\n")},
        // Without a continuation the text ends its row: the entry goes above it, inside the list.
        AddCase{"MarkerAfterEntryWithoutContinuation", false, "p = [...\n'/opt/a:' %%% END ENTRIES %%%\n];\n", "/b",
                "p = [...\n\t':/b:',...\n'/opt/a:' %%% END ENTRIES %%%\n];\n"},
        AddCase{"MarkerLineWithoutLineEnd", false, "p = [...\n'/a:', ... %%% END ENTRIES %%%", "/b",
                "p = [...\n'/a:', ... \n\t'/b:',...\n%%% END ENTRIES %%%"},
        AddCase{"MarkerLineCrlf", false, "p = [...\r\n'/a:', ... %%% END ENTRIES %%% x\r\n];\r\n", "/b",
                "p = [...\r\n'/a:', ... \r\n\t'/b:',...\r\n%%% END ENTRIES %%% x\r\n];\r\n"},
        AddCase{"BracketInCommentIgnored", true, kBracketInComment, "C:\\n",
                Inserted(kBracketInComment, 3, "\t'c:\\n;',...\n")},
        AddCase{"FirstColonQuoteConverted", true, kColons, "C:\\n",
                // The entry above now ends in ';': the new one needs no separator of its own.
                "p = [...\n     'C:\\a;', ... % :'x' :'y'\n\t'c:\\n;',...\n%%% END ENTRIES %%%\n];\n"},
        AddCase{"LongLineWhole", true, kLongLine, "C:\\n", Inserted(kLongLine, 2, "\t'c:\\n;',...\n")},
        AddCase{"ListedBelowMarkerDoesNotCount", true, kBelowOnly, "C:\\New",
                Inserted(kBelowOnly, 2, "\t'c:\\new;',...\n")},
        // Lines may end in CR alone; the entry takes the ending of the line it is put above.
        AddCase{"CrOnlyWindows", true, kCrOnly, "C:\\N",
                "p = [...\r     'a;', ...\r\t'c:\\n;',...\r%%% END ENTRIES %%%\r];\r"},
        AddCase{"CrOnlyUnix", false, kCrOnlyUnix, "/n", "p = [...\r'/a:', ...\r\t'/n:',...\r%%% END ENTRIES %%%\r];\r"},
        AddCase{"MixedEndingsKept", false, kMixedEnds, "/n",
                "p = [...\r\n'/a:', ...\r\t'/n:',...\n%%% END ENTRIES %%%\n];\r\n"},
        // On POSIX the entry names the directory exactly as given; the trim only decides the key.
        AddCase{"UnixTrailingDotKept", false, kCrOnlyUnix, "/opt/lib.",
                "p = [...\r'/a:', ...\r\t'/opt/lib.:',...\r%%% END ENTRIES %%%\r];\r"},
        AddCase{"UnixTrailingQuoteKept", false, kCrOnlyUnix, "/opt/a'",
                "p = [...\r'/a:', ...\r\t'/opt/a'':',...\r%%% END ENTRIES %%%\r];\r"},
        AddCase{"UnixTrailingSemicolonKept", false, kCrOnlyUnix, "/opt/x;",
                "p = [...\r'/a:', ...\r\t'/opt/x;:',...\r%%% END ENTRIES %%%\r];\r"},
        AddCase{"UnixDoubleQuoteKept", false, kCrOnlyUnix, "/opt/a\"b",
                "p = [...\r'/a:', ...\r\t'/opt/a\"b:',...\r%%% END ENTRIES %%%\r];\r"},
        AddCase{"AlreadyListedAnyCase", true, testing::kSavepathWindows, "c:\\TOOLS\\X", testing::kSavepathWindows},
        AddCase{"AlreadyListedUnix", false, testing::kCurrentUnix, "/opt/x", testing::kCurrentUnix},
        AddCase{"AlreadyListedTrailingSlashUnix", false, testing::kCurrentUnix, "/opt/x/", testing::kCurrentUnix},
        // "/opt/x." is another directory than the listed "/opt/x" on POSIX.
        AddCase{"UnixTrailingDotBesideListed", false, testing::kCurrentUnix, "/opt/x.",
                Inserted(testing::kCurrentUnix, LineOf(testing::kCurrentUnix, "%%% END"), "\t'/opt/x.:',...\n")},
        // Windows ignores a trailing separator as it ignores trailing dots: "C:\\Tools\\Q\\" (as an
        // installer passes [INSTALLDIR]) names the directory "c:\\tools\\q".
        AddCase{"WindowsTrailingBackslashDropped", true, kMarkerFirst, "C:\\Tools\\Q\\",
                "\t';c:\\tools\\q;',...\n" + kMarkerFirst},
        AddCase{"WindowsDotAndBackslashDropped", true, kMarkerFirst, "C:\\Tools\\Q.\\.",
                "\t';c:\\tools\\q;',...\n" + kMarkerFirst},
        AddCase{"WindowsDriveRootKeepsItsSeparator", true, kMarkerFirst, "D:\\", "\t';d:\\;',...\n" + kMarkerFirst},
        AddCase{"WindowsListedWithTrailingBackslash", true, "p = [...\n'c:\\q\\;',...\n%%% END ENTRIES %%%\n];\n",
                "C:\\Q", "p = [...\n'c:\\q\\;',...\n%%% END ENTRIES %%%\n];\n"},
        // A UNIX file on Windows: its entries take the Windows separator, MATLAB's own lines below
        // the list (separator = ':';) do not.
        AddCase{"WindowsConvertsOnlyTheList", true, testing::kCurrentUnix, "C:\\New",
                Inserted(ListConverted(testing::kCurrentUnix), LineOf(testing::kCurrentUnix, "%%% END"),
                         "\t'c:\\new;',...\n")},
        AddCase{"WindowsFileUnchangedOutsideTheEntry", true, testing::kCurrentWindows, "C:\\New",
                Inserted(testing::kCurrentWindows, LineOf(testing::kCurrentWindows, "%%% END"), "\t'c:\\new;',...\n")},
        // Marker text in a quoted entry is part of a name: the entry goes above the real marker.
        AddCase{
            "MarkerTextInsideAnEntry", false, "p = [...\n'/opt/a %%% END ENTRIES %%%:', ...\n%%% END ENTRIES %%%\n];\n",
            "/b",
            Inserted("p = [...\n'/opt/a %%% END ENTRIES %%%:', ...\n%%% END ENTRIES %%%\n];\n", 2, "\t'/b:',...\n")},
        AddCase{"MarkerTextInsideAnEntryIsListed", false,
                "p = [...\n'/opt/a %%% END ENTRIES %%%:', ...\n%%% END ENTRIES %%%\n];\n", "/opt/a %%% END ENTRIES %%%",
                "p = [...\n'/opt/a %%% END ENTRIES %%%:', ...\n%%% END ENTRIES %%%\n];\n"},
        AddCase{"AlreadyListedWithQuote", true, "p = [...\n\t'c:\\o''brien;',...\n%%% END ENTRIES %%%\n];\n",
                "C:\\O'Brien", "p = [...\n\t'c:\\o''brien;',...\n%%% END ENTRIES %%%\n];\n"}),
    [](const ::testing::TestParamInfo<AddCase>& info) { return std::string(info.param.name); });

TEST(AddPassTest, LogShowsEveryLineAndTheClosingBrace) {
  Harness h(PathRules::Windows());
  h.fs.AddFile(kWinPath, "p = [...\r\n%%% END ENTRIES %%%\r\n];\r\n");
  h.commands = {"ADD"};
  h.paths = {"C:\\X"};
  ASSERT_EQ(h.Add({kWinPath}), 1);
  EXPECT_EQ(h.Log(),
            "Modify: C:\\M\\toolbox\\local\\pathdef.m for c:\\x\n"
            "Output File: C:\\M\\toolbox\\local\\pathdef.new\n"
            "p = [...\n\n%%% END ENTRIES %%%\n\nGot closing brace\n];\n\n");
}

// Whether the directory counts as listed by the line: Windows compares with the trim characters
// stripped, POSIX only the one directory that an entry names.
TEST(KeyTest, ListedOnlyWhereThePlatformSeesOneDirectory) {
  struct Row {
    const char* name;
    bool windows;
    std::string dir;
    std::string line;
    bool listed;
  } rows[] = {
      {"Same", false, "/opt/x", "'/opt/x:', ...", true},
      {"WrittenByUs", false, "/opt/x", "\t'/opt/x:',...", true},
      {"LeadingBlanks", false, "/opt/x", "     '/opt/x:', ...", true},
      {"SemicolonEntry", false, "/opt/x", "'/opt/x;', ...", true},
      {"NoSeparator", false, "/opt/x", "'/opt/x', ...", true},
      {"FirstEntryLeadingSeparator", false, "/opt/x", "\t':/opt/x:',...", true},
      {"TrailingSlashOnDirectory", false, "/opt/x/", "'/opt/x:', ...", true},
      {"TrailingSlashInEntry", false, "/opt/x", "'/opt/x/:', ...", true},
      {"Root", false, "/", "'/:', ...", true},
      {"QuoteDoubled", false, "/opt/a'", "'/opt/a'':', ...", true},
      {"SemicolonInName", false, "/opt/x;", "'/opt/x;:', ...", true},
      {"TrailingDotIsAnother", false, "/opt/x.", "'/opt/x:', ...", false},
      {"TrailingSemicolonIsAnother", false, "/opt/x;", "'/opt/x:', ...", false},
      {"TrailingCommaIsAnother", false, "/opt/x,", "'/opt/x:', ...", false},
      {"TrailingBlankIsAnother", false, "/opt/x ", "'/opt/x:', ...", false},
      {"ListedWithDotIsAnother", false, "/opt/x", "'/opt/x.:', ...", false},
      {"CaseCounts", false, "/opt/X", "'/opt/x:', ...", false},
      {"DoubledQuoteIsNoEnd", false, "/opt/a", "'/opt/a'':', ...", false},
      {"BeneathIsAnother", false, "/opt/x", "'/opt/x/sub:', ...", false},
      {"RelativeToMatlabroot", false, "/toolbox/local", "matlabroot,'/toolbox/local:', ...", false},
      {"Comment", false, "/opt/x", "% '/opt/x:', ...", false},
      {"RootIsNoBlankLine", false, "/", "", false},
      {"WindowsTrailingDot", true, "C:\\Tools\\X.", "\t'c:\\tools\\x;',...", true},
      {"WindowsSemicolon", true, "C:\\x;", "'c:\\x;', ...", true},
      {"WindowsCase", true, "c:\\TOOLS\\x", "     'C:\\Tools\\x;', ...", true},
      {"WindowsFirstEntryLeadingSeparator", true, "C:\\n", "\t';c:\\n;',...", true},
      {"WindowsTrailingBackslashIgnored", true, "C:\\x\\", "'c:\\x;', ...", true},
      {"WindowsBackslashDotIgnored", true, "C:\\x\\.", "'c:\\x;', ...", true},
      {"WindowsDotBackslashIgnored", true, "C:\\x.\\", "'c:\\x;', ...", true},
      {"WindowsEntryWithTrailingBackslash", true, "C:\\x", "'c:\\x\\;', ...", true},
      {"WindowsQuotedWithBlank", true, "\"C:\\x \"", "'c:\\x;', ...", true},
      {"WindowsUnixSeparator", true, "C:\\x", "'c:\\x:', ...", true},
      {"WindowsDriveRoot", true, "C:\\", "'c:\\;', ...", true},
      {"WindowsDriveRootIsNotTheDrive", true, "C:\\", "'c:\\x;', ...", false},
      {"MarkerTextInsideEntry", false, "/opt/%%% END ENTRIES %%%", "'/opt/%%% END ENTRIES %%%:', ...", true},
      {"PercentInsideEntry", false, "/opt/100%", "'/opt/100%:', ... % note", true},
      {"UnclosedQuoteIsNoEntry", false, "/opt/x", "'/opt/x:, ...", false},
      {"WindowsBeneathIsAnother", true, "C:\\x", "'c:\\x\\sub;', ...", false},
  };
  for (const Row& row : rows) {
    PathRules rules = row.windows ? PathRules::Windows() : PathRules::Posix();
    EXPECT_EQ(LineKey(row.line, rules) == DirectoryKey(row.dir, rules), row.listed) << row.name;
  }
}

struct FailCase {
  const char* name;
  std::string original;
  std::string dir;
};

class AddFailureTest : public ::testing::TestWithParam<FailCase> {};

// A file that cannot take the entry fails the pass, and a directory that names nothing is never
// carried out; either way the file is left exactly as it was.
TEST_P(AddFailureTest, LeavesFileUntouched) {
  Harness h(PathRules::Windows());
  h.fs.AddFile(kWinPath, GetParam().original);
  h.commands = {"ADD"};
  h.paths = {GetParam().dir};
  EXPECT_EQ(h.Add({kWinPath}), IsBlankDirectory(GetParam().dir) ? 1 : 0);
  EXPECT_EQ(h.fs.files[kWinPath], GetParam().original);
  EXPECT_EQ(h.fs.files.count("C:\\M\\toolbox\\local\\pathdef.new"), 0u);
  EXPECT_EQ(h.fs.files.count("C:\\M\\toolbox\\local\\pathdef.bak"), 0u);
}

INSTANTIATE_TEST_SUITE_P(Files, AddFailureTest,
                         ::testing::Values(FailCase{"NoInsertionPoint", "p = [...\n'a;', ...\n", "C:\\x"},
                                           FailCase{"EmptyFile", "", "C:\\x"},
                                           FailCase{"BlankDirectory", testing::kSavepathWindows, " ;. "},
                                           FailCase{"EmptyDirectory", testing::kSavepathWindows, ""}),
                         [](const ::testing::TestParamInfo<FailCase>& info) { return std::string(info.param.name); });

TEST(AddPassTest, TwoCommandsStackEntriesAndBackupHoldsTheFirstEdit) {
  Harness h(PathRules::Windows());
  h.fs.AddFile(kWinPath, kMarkerFirst);
  h.commands = {"ADD", "Add"};
  h.paths = {"C:\\a", "C:\\b"};
  ASSERT_EQ(h.Add({kWinPath}), 1);
  EXPECT_EQ(h.fs.files[kWinPath], "\t';c:\\a;',...\n\t'c:\\b;',...\n" + kMarkerFirst);
  EXPECT_EQ(h.fs.files["C:\\M\\toolbox\\local\\pathdef.bak"], "\t';c:\\a;',...\n" + kMarkerFirst);
}

// One file's fault stays with it: the files after it get every command, and the failed file is
// not taken up again (one reason, not one per command).
TEST(AddPassTest, AFailureInTheMiddleKeepsToItsFile) {
  Harness h(PathRules::Windows());
  StringList files{"C:\\1\\pathdef.m", "C:\\2\\pathdef.m", "C:\\3\\pathdef.m"};
  h.fs.AddFile(files[0], kMarkerFirst);
  h.fs.AddFile(files[1], "no insertion point\n");
  h.fs.AddFile(files[2], kMarkerFirst);
  h.commands = {"ADD", "ADD"};
  h.paths = {"C:\\a", "C:\\b"};
  EXPECT_EQ(h.Add(files), 0);
  const std::string both = "\t';c:\\a;',...\n\t'c:\\b;',...\n" + kMarkerFirst;
  EXPECT_EQ(h.fs.files[files[0]], both);
  EXPECT_EQ(h.fs.files[files[1]], "no insertion point\n");
  EXPECT_EQ(h.fs.files[files[2]], both);
  ASSERT_EQ(h.problems.size(), 1u);
  EXPECT_EQ(h.problems[0].rfind("Failed: edit " + files[1] + ": ", 0), 0u) << h.problems[0];
  EXPECT_EQ(h.edits[1].outcome, Outcome::kFailed);
  EXPECT_EQ(h.edits[2].outcome, Outcome::kChanged);
}

TEST(AddPassTest, NothingToDoTouchesNothing) {
  Harness h(PathRules::Windows());
  h.fs.AddFile(kWinPath, kMarkerFirst);
  h.commands = {"REMOVE"};
  h.paths = {"C:\\a"};
  EXPECT_EQ(h.Add({kWinPath}), 1);
  h.commands = {"ADD"};
  EXPECT_EQ(h.Add({}), 1);
  EXPECT_EQ(h.Log(), "");
  EXPECT_EQ(h.fs.files.count("C:\\M\\toolbox\\local\\pathdef.bak"), 0u);
}

struct RemoveCase {
  const char* name;
  bool windows;
  std::string original;
  std::string dir;
  std::vector<std::string> dropped;  // lines expected to go
};

class RemoveTest : public ::testing::TestWithParam<RemoveCase> {};

// Names that only start like /opt/x.
const std::string kLookalikes =
    "p = [...\n%%% BEGIN ENTRIES %%%\n'/:', ...\n'/opt/x;:', ...\n'/opt/x'':', ...\n'/opt/x\\y:', ...\n'/opt/x:', ...\n"
    "'/opt/x/sub:', ...\n'/opt/xyz:', ...\n'/opt/x.:', ...\n%%% END ENTRIES %%%\n];\n";
const std::string kWindowsLookalikes =
    "p = [...\n%%% BEGIN ENTRIES %%%\n'C:\\;', ...\n'C:\\Tools;', ...\n'c:\\q\\;', ...\n'c:\\qq;', ...\n"
    "%%% END ENTRIES %%%\n];\n";
const std::string kBeginTextInEntry =
    "p = [...\n%%% BEGIN ENTRIES %%%\n'/opt/x:', ...\n'/opt/x/sub:', ...\n'/opt/%%% BEGIN ENTRIES %%%:', ...\n"
    "%%% END ENTRIES %%%\n];\n";
const std::string kEndTextInEntry =
    "p = [...\n%%% BEGIN ENTRIES %%%\n'/opt/a %%% END ENTRIES %%%:', ...\n'/opt/z:', ...\n%%% END ENTRIES %%%\n];\n";

TEST_P(RemoveTest, DropsTheDirectoryAndWhatIsBeneathIt) {
  const RemoveCase& c = GetParam();
  Harness h(c.windows ? PathRules::Windows() : PathRules::Posix());
  std::string path = c.windows ? kWinPath : kUnixPath;
  h.fs.AddFile(path, c.original);
  h.commands = {"remove"};
  h.paths = {c.dir};
  ASSERT_EQ(h.Remove({path}), 1);
  std::string expected = c.original;
  for (const std::string& line : c.dropped) {
    std::size_t pos = expected.find(line);
    ASSERT_NE(pos, std::string::npos) << line;
    expected.erase(pos, line.size());
  }
  EXPECT_EQ(h.fs.files[path], expected);
  std::string bak = SiblingName(path, "pathdef.bak", h.rules);
  if (c.dropped.empty()) {
    EXPECT_EQ(h.fs.files.count(bak), 0u);  // nothing dropped: not rewritten
  } else {
    EXPECT_EQ(h.fs.files[bak], c.original);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, RemoveTest,
    ::testing::Values(
        RemoveCase{"OwnAndBeneathNotLonger",
                   true,
                   testing::kSavepathWindows,
                   "C:\\Tools\\x",
                   {"     'C:\\Tools\\x;', ...\n", "     'C:\\Tools\\x\\sub;', ...\n"}},
        RemoveCase{"AnyCaseOnWindows",
                   true,
                   testing::kSavepathWindows,
                   "c:\\tools\\X\\",
                   {"     'C:\\Tools\\x;', ...\n", "     'C:\\Tools\\x\\sub;', ...\n"}},
        RemoveCase{"CrlfKept",
                   true,
                   Crlf(testing::kSavepathWindows),
                   "C:\\Program Files\\Some Vendor",
                   {"     'C:\\Program Files\\Some Vendor\\Tool v1.4\\Matlab;', ...\r\n"}},
        RemoveCase{"UnixNotInsideOtherDirectories",
                   false,
                   testing::kCurrentUnix,
                   "/opt/x",
                   {"'/opt/x:', ...\n", "'/opt/x/sub:', ...\n"}},
        RemoveCase{"UnixCaseSensitive", false, testing::kCurrentUnix, "/OPT/X", {}},
        RemoveCase{"NoMatchLeavesTheFileAlone", true, testing::kSavepathWindows, "E:\\nothing", {}},
        RemoveCase{
            "OldFileWithoutMarkers", true, testing::kOldInstallerLf, "C:\\Tools\\xyz", {"'C:\\Tools\\xyz;',...\n"}},
        RemoveCase{"CrOnly", false, kCrOnlyUnix, "/a", {"'/a:', ...\r"}},
        RemoveCase{"EmptyFile", true, "", "C:\\x", {}},
        // POSIX: only the entry that names the directory, and those beneath it.
        RemoveCase{"UnixOnlyTheExactEntry", false, kLookalikes, "/opt/x", {"'/opt/x:', ...\n", "'/opt/x/sub:', ...\n"}},
        RemoveCase{
            "UnixTrailingSlashAside", false, kLookalikes, "/opt/x/", {"'/opt/x:', ...\n", "'/opt/x/sub:', ...\n"}},
        RemoveCase{"UnixSemicolonNameAlone", false, kLookalikes, "/opt/x;", {"'/opt/x;:', ...\n"}},
        RemoveCase{"UnixRootOnlyItself", false, kLookalikes, "/", {"'/:', ...\n"}},
        // Windows: the directory however Windows would spell it, as ADD writes it.
        RemoveCase{"WindowsTrailingDot",
                   true,
                   testing::kSavepathWindows,
                   "C:\\Tools\\x.",
                   {"     'C:\\Tools\\x;', ...\n", "     'C:\\Tools\\x\\sub;', ...\n"}},
        RemoveCase{"WindowsQuotedWithBlank",
                   true,
                   testing::kSavepathWindows,
                   "\"C:\\Tools\\x \"",
                   {"     'C:\\Tools\\x;', ...\n", "     'C:\\Tools\\x\\sub;', ...\n"}},
        RemoveCase{"WindowsBackslashDot",
                   true,
                   testing::kSavepathWindows,
                   "C:\\Tools\\x\\.",
                   {"     'C:\\Tools\\x;', ...\n", "     'C:\\Tools\\x\\sub;', ...\n"}},
        RemoveCase{"WindowsEntryWithTrailingBackslash", true, kWindowsLookalikes, "C:\\Q", {"'c:\\q\\;', ...\n"}},
        RemoveCase{"WindowsDriveRootOnlyItself", true, kWindowsLookalikes, "c:\\", {"'C:\\;', ...\n"}},
        // Marker text inside an entry marks nothing: the entries above it are still in the list.
        RemoveCase{"BeginMarkerTextInALaterEntry",
                   false,
                   kBeginTextInEntry,
                   "/opt/x",
                   {"'/opt/x:', ...\n", "'/opt/x/sub:', ...\n"}},
        RemoveCase{"EndMarkerTextInAnEarlierEntry", false, kEndTextInEntry, "/opt/z", {"'/opt/z:', ...\n"}}),
    [](const ::testing::TestParamInfo<RemoveCase>& info) { return std::string(info.param.name); });

// An entry sharing the end marker's line is removed from it; the marker and what follows it stay.
TEST(RemoveMarkerLineTest, EntryBeforeTheMarkerGoesTheMarkerStays) {
  Harness h(PathRules::Posix());
  h.fs.AddFile(kUnixPath, "p = [...\n'/opt/b:', ...\n'/opt/a:', ... %%% END ENTRIES %%% note\n];\n");
  h.commands = {"remove"};
  h.paths = {"/opt/a"};
  ASSERT_EQ(h.Remove({kUnixPath}), 1);
  EXPECT_EQ(h.fs.files[kUnixPath], "p = [...\n'/opt/b:', ...\n%%% END ENTRIES %%% note\n];\n");
}

// Lines ending in a lone CR mixed with lines ending in LF: dropping the entry between a CR line
// and an empty LF line must not make the two read back as one CR LF line.
TEST(RemovePassTest, MixedLineEndsKeepEveryOtherLine) {
  DiagnosticLog log;
  std::string out;
  ASSERT_EQ(RemoveEntriesFromText("a\r'/opt/x:', ...\n\nb\n", "/opt/x", PathRules::Posix(), log, &out), 1);
  std::vector<std::string> texts;
  for (const TextLine& line : SplitLines(out)) texts.emplace_back(line.text);
  EXPECT_EQ(texts, (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(out, "a\r\rb\n");  // the empty line takes the ending of the one before it
}

TEST(RemovePassTest, LogsEachDroppedLine) {
  Harness h(PathRules::Windows());
  h.fs.AddFile(kWinPath, testing::kSavepathWindows);
  h.commands = {"REMOVE"};
  h.paths = {"C:\\TOOLS\\x"};
  ASSERT_EQ(h.Remove({kWinPath}), 1);
  EXPECT_EQ(h.Log(),
            "UnModify: C:\\M\\toolbox\\local\\pathdef.m for c:\\tools\\x\n"
            "Output File: C:\\M\\toolbox\\local\\pathdef.new\n"
            "Found: c:\\tools\\x\nFound: c:\\tools\\x\n");
}

TEST(RemovePassTest, AFailedFileIsNotTakenUpAgainAndTheOthersAreEdited) {
  Harness h(PathRules::Windows());
  StringList files{"C:\\1\\pathdef.m", "C:\\2\\pathdef.m"};
  h.fs.AddFile(files[0], testing::kSavepathWindows);
  h.fs.AddFile(files[1], testing::kSavepathWindows);
  h.fs.FailOn(FakeFileSystem::Op::kRead, 1, "C:\\1");
  h.commands = {"REMOVE", "REMOVE"};
  h.paths = {"C:\\Tools\\x", "C:\\Tools\\xyz"};
  EXPECT_EQ(h.Remove(files), 0);
  EXPECT_EQ(h.fs.files[files[0]], testing::kSavepathWindows);
  EXPECT_NE(h.fs.files[files[1]], testing::kSavepathWindows);
  EXPECT_EQ(h.fs.files[files[1]].find("c:\\tools\\x"), std::string::npos);
  EXPECT_EQ(h.problems, StringList{"Failed: read " + files[0] + ": injected failure"});
}

TEST(RemovePassTest, BlankDirectoryIsNeverCarriedOut) {
  Harness h(PathRules::Posix());
  h.fs.AddFile(kUnixPath, testing::kCurrentUnix);
  h.commands = {"REMOVE"};
  h.paths = {"  "};
  h.Remove({kUnixPath});
  EXPECT_FALSE(h.edits[0].taken);
  EXPECT_EQ(h.fs.files[kUnixPath], testing::kCurrentUnix);
  EXPECT_EQ(h.fs.files.count("/usr/local/M/toolbox/local/pathdef.bak"), 0u);
}

struct RoundTrip {
  const char* name;
  bool windows;
  std::string original;
  std::string dir;
};

class RoundTripTest : public ::testing::TestWithParam<RoundTrip> {};

// ADD then REMOVE of a directory not yet listed gives back the original file (on Windows with a
// UNIX file's entries ending in ';' from then on).
TEST_P(RoundTripTest, AddThenRemoveRestores) {
  const RoundTrip& c = GetParam();
  Harness h(c.windows ? PathRules::Windows() : PathRules::Posix());
  std::string path = c.windows ? kWinPath : kUnixPath;
  h.fs.AddFile(path, c.original);
  h.commands = {"ADD"};
  h.paths = {c.dir};
  ASSERT_EQ(h.Add({path}), 1);
  std::string added = h.fs.files[path];
  EXPECT_NE(added, c.original);
  h.commands = {"REMOVE"};
  ASSERT_EQ(h.Remove({path}), 1);
  std::string expected = c.windows ? ListConverted(c.original) : c.original;
  EXPECT_EQ(h.fs.files[path], expected);
}

INSTANTIATE_TEST_SUITE_P(
    Files, RoundTripTest,
    ::testing::Values(RoundTrip{"Savepath", true, testing::kSavepathWindows, "D:\\My Tools\\v1.4"},
                      RoundTrip{"SavepathCrlf", true, Crlf(testing::kSavepathWindows), "D:\\O'Brien"},
                      RoundTrip{"OldInstaller", true, Crlf(testing::kOldInstallerLf), "C:\\Other"},
                      RoundTrip{"UnixOnWindows", true, testing::kCurrentUnix, "C:\\new"},
                      RoundTrip{"Unix", false, testing::kCurrentUnix, "/home/me/My Tools"},
                      RoundTrip{"UnixParenthesised", false, testing::kCurrentUnix, "/srv/tool (2)/m"},
                      RoundTrip{"UnixCrOnly", false, kCrOnlyUnix, "/opt/lib."},
                      RoundTrip{"WindowsMixed", true, kMixedEnds, "C:\\x"},
                      RoundTrip{"WindowsCurrent", true, testing::kCurrentWindows, "C:\\Tools\\Q\\"}),
    [](const ::testing::TestParamInfo<RoundTrip>& info) { return std::string(info.param.name); });

// Where a line's comment starts: strings hide '%', a doubled quote stays in its string, and a
// quote after a name or a bracket is a transpose.
TEST(CommentStartTest, OnlyOutsideStrings) {
  struct Row {
    std::string line;
    std::size_t start;
  } rows[] = {
      {"%%% END ENTRIES %%%", 0},
      {"'/opt/a:', ... %%% END ENTRIES %%%", 15},
      {"'/opt/a %%% END ENTRIES %%%:', ...", std::string::npos},
      {"'/opt/it''s %:', ... % x", 21},
      {"'/opt/a'':%', ... % x", 18},
      {"x = a'; % note", 8},
      {"x = [a' b']; % note", 13},
      {"s = \"50%\"; % note", 11},
      {"s = \"a\"\"%\"; %", 12},
      {"'unclosed % string", std::string::npos},
      {"", std::string::npos},
  };
  for (const Row& row : rows) EXPECT_EQ(CommentStart(row.line), row.start) << row.line;
  EXPECT_EQ(MarkerIn("'/a %%% END ENTRIES %%%:', ... %%% END ENTRIES %%%", kEndEntriesMarker), 31u);
}

// ADD then REMOVE gives back every file byte for byte, for every hostile name, on both systems;
// a second ADD, in the compared spelling too, changes nothing, and so does a REMOVE in that
// spelling give back the file.
TEST(HostileRoundTripTest, AddThenRemoveGivesBackTheFile) {
  const std::vector<std::string> posixFiles = {testing::kCurrentUnix, Crlf(testing::kCurrentUnix), kCrOnlyUnix,
                                               testing::kOldInstallerLf, testing::kMarkerOnClosingLine};
  const std::vector<std::string> windowsFiles = {testing::kSavepathWindows, Crlf(testing::kSavepathWindows),
                                                 testing::kOldInstallerLf, testing::kCurrentWindows};
  DiagnosticLog log;
  for (bool windows : {false, true}) {
    PathRules rules = windows ? PathRules::Windows() : PathRules::Posix();
    for (const testing::HostileName& name : windows ? testing::kHostileWindowsNames : testing::kHostilePosixNames) {
      for (const std::string& text : windows ? windowsFiles : posixFiles) {
        SCOPED_TRACE(std::string(name.name) + (windows ? " on Windows in:\n" : " on POSIX in:\n") + text);
        std::string added, again, removed;
        ASSERT_EQ(AddEntryToText(text, name.dir, rules, log, &added), AddOutcome::kInserted);
        for (const std::string& spelling : {name.dir, ShownDirectory(name.dir, rules)}) {
          EXPECT_EQ(AddEntryToText(added, spelling, rules, log, &again), AddOutcome::kAlreadyListed) << spelling;
          EXPECT_EQ(again, added) << spelling;
          EXPECT_EQ(RemoveEntriesFromText(added, spelling, rules, log, &removed), 1) << spelling;
          EXPECT_EQ(removed, text) << spelling;
        }
      }
    }
  }
}

// A name holding a marker's text neither ends the list for the next ADD nor hides the entries
// above it from a REMOVE.
TEST(HostileRoundTripTest, MarkerTextInNamesMarksNothing) {
  DiagnosticLog log;
  const PathRules rules = PathRules::Posix();
  std::string one, two, back, removed;
  ASSERT_EQ(AddEntryToText(testing::kCurrentUnix, "/opt/%%% END ENTRIES %%%", rules, log, &one), AddOutcome::kInserted);
  ASSERT_EQ(AddEntryToText(one, "/opt/%%% BEGIN ENTRIES %%%", rules, log, &two), AddOutcome::kInserted);
  EXPECT_EQ(two, Inserted(testing::kCurrentUnix, LineOf(testing::kCurrentUnix, "%%% END"),
                          "\t'/opt/%%% END ENTRIES %%%:',...\n\t'/opt/%%% BEGIN ENTRIES %%%:',...\n"));
  EXPECT_EQ(RemoveEntriesFromText(two, "/opt/x", rules, log, &removed), 2);  // /opt/x and /opt/x/sub
  EXPECT_EQ(removed.find("'/opt/x:'"), std::string::npos);
  EXPECT_EQ(RemoveEntriesFromText(two, "/opt/%%% END ENTRIES %%%", rules, log, &back), 1);
  EXPECT_EQ(RemoveEntriesFromText(back, "/opt/%%% BEGIN ENTRIES %%%", rules, log, &removed), 1);
  EXPECT_EQ(removed, testing::kCurrentUnix);
}

}  // namespace
}  // namespace vorex
