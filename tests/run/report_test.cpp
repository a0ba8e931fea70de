// The report's pieces that callers parse: JSON strings, the lines an edit added and removed, and
// the unified diff.
#include "run/report.h"

#include <gtest/gtest.h>

#include "run/line_diff.h"

namespace vorex {
namespace {

TEST(JsonStringTest, EscapesWhatJsonAndLineSplittersNeedAndKeepsBytesRecoverable) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"plain /opt/x", "\"plain /opt/x\""},
      {"q\"b\\", "\"q\\\"b\\\\\""},
      {"t\tn\nr\r", "\"t\\tn\\nr\\r\""},
      {std::string("nul\0esc\x1b\x7f", 9), "\"nul\\u0000esc\\u001b\\u007f\""},
      {"nel\xc2\x85 c1\xc2\x9f", "\"nel\\u0085 c1\\u009f\""},
      {"ls\xe2\x80\xa8ps\xe2\x80\xa9", "\"ls\\u2028ps\\u2029\""},
      {"caf\xc3\xa9 \xe2\x80\xa6 \xf0\x9f\x98\x80", "\"caf\xc3\xa9 \xe2\x80\xa6 \xf0\x9f\x98\x80\""},
      // Bytes that are no UTF-8 (a lone byte, a cut sequence, an overlong form, an encoded
      // surrogate): each a lone surrogate, as Python's surrogateescape reads them.
      {"bad\xff", "\"bad\\udcff\""},
      {"cut\xc3", "\"cut\\udcc3\""},
      {"overlong\xc0\x80", "\"overlong\\udcc0\\udc80\""},
      {"surrogate\xed\xa0\x80", "\"surrogate\\udced\\udca0\\udc80\""},
  };
  for (const Case& c : cases) EXPECT_EQ(JsonString(c.in), c.out) << c.in;
}

std::string Numbered(int from, int to) {
  std::string text;
  for (int i = from; i <= to; ++i) text += "line " + std::to_string(i) + "\n";
  return text;
}

TEST(LineDiffTest, AddedAndRemovedLinesAreTheEditsOwn) {
  struct Case {
    const char* name;
    std::string before, after;
    std::vector<std::string> added, removed;
  } cases[] = {
      {"one inserted", "a\nb\nc\n", "a\nb\nx\nc\n", {"x"}, {}},
      {"one taken out", "a\nb\nc\n", "a\nc\n", {}, {"b"}},
      {"two apart", Numbered(1, 20), "line 1\nnew\n" + Numbered(2, 19) + "gone\n", {"new", "gone"}, {"line 20"}},
      {"crlf kept out of the lines", "a\r\nb\r\n", "a\r\nx\r\nb\r\n", {"x"}, {}},
      {"from nothing", "", "a\nb\n", {"a", "b"}, {}},
      {"equal", "a\nb\n", "a\nb\n", {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<LineChange> changes = DiffLines(c.before, c.after);
    EXPECT_EQ(LinesOf(changes, LineChange::Kind::kAdded), c.added);
    EXPECT_EQ(LinesOf(changes, LineChange::Kind::kRemoved), c.removed);
  }
}

// Past the bound on the search, the lines between the common ends are given: still every line
// of each side, in order.
TEST(LineDiffTest, ManyChangesStillAccountForEveryLine) {
  std::string before, after;
  for (int i = 0; i < 3000; ++i) {
    before += "old " + std::to_string(i) + "\n";
    after += "new " + std::to_string(i) + "\n";
  }
  // The changes point into the texts, which live as long as they do.
  std::string text = "head\n" + before + "tail\n", edited = "head\n" + after + "tail\n";
  std::vector<LineChange> changes = DiffLines(text, edited);
  EXPECT_EQ(LinesOf(changes, LineChange::Kind::kRemoved).size(), 3000u);
  EXPECT_EQ(LinesOf(changes, LineChange::Kind::kAdded).size(), 3000u);
  EXPECT_EQ(LinesOf(changes, LineChange::Kind::kSame), (std::vector<std::string>{"head", "tail"}));
}

TEST(LineDiffTest, UnifiedDiffHasItsHunksWithThreeLinesOfContext) {
  EXPECT_EQ(UnifiedDiff(DiffLines("a\nb\n", "a\nb\n"), "/p"), "");
  EXPECT_EQ(UnifiedDiff(DiffLines(Numbered(1, 10), Numbered(1, 5) + "new\n" + Numbered(6, 10)), "/p"),
            "--- /p\n+++ /p\n@@ -3,6 +3,7 @@\n line 3\n line 4\n line 5\n+new\n line 6\n line 7\n line 8\n");
  // Changes more than six lines apart are two hunks; nearer ones share one.
  std::string two = "x\n" + Numbered(2, 19) + "y\n";
  EXPECT_EQ(UnifiedDiff(DiffLines(Numbered(1, 20), two), "/p"),
            "--- /p\n+++ /p\n@@ -1,4 +1,4 @@\n-line 1\n+x\n line 2\n line 3\n line 4\n"
            "@@ -17,4 +17,4 @@\n line 17\n line 18\n line 19\n-line 20\n+y\n");
  std::string near = "x\n" + Numbered(2, 6) + "y\n" + Numbered(8, 10);
  EXPECT_EQ(UnifiedDiff(DiffLines(Numbered(1, 10), near), "/p"),
            "--- /p\n+++ /p\n@@ -1,10 +1,10 @@\n-line 1\n+x\n line 2\n line 3\n line 4\n line 5\n line 6\n-line 7\n+y\n"
            " line 8\n line 9\n line 10\n");
  EXPECT_EQ(UnifiedDiff(DiffLines("", "a\n"), "/p"), "--- /p\n+++ /p\n@@ -0,0 +1,1 @@\n+a\n");
}

TEST(ReportJsonTest, EveryFileWithItsOutcomeAndTheChangedLines) {
  RunRequest request;
  request.commands = {"add", "REMOVE"};  // in the reverse of the order given
  request.paths = {"/opt/new", "/opt/old"};
  RunResult result;
  result.status = kExitFailure;
  FileEdit changed;
  changed.file = {"/i/pathdef.m", FileKind::kInstallation, {}, {}};
  changed.taken = true;
  changed.outcome = Outcome::kChanged;
  changed.read = true;
  changed.before = "p = [\n'/opt/old:',...\n]\n";
  changed.after = "p = [\n'/opt/new:',...\n]\n";
  FileEdit skipped;
  skipped.file = {"/home/u/Documents/MATLAB/pathdef.m", FileKind::kUserCopy, "u", {}};
  skipped.taken = true;
  skipped.outcome = Outcome::kSkipped;
  skipped.reason = "read /home/u/Documents/MATLAB/pathdef.m: Permission denied";
  result.files = {changed, skipped};
  result.problems = {"Failed: x"};
  std::string json = ReportJson(request, result, true);
  EXPECT_EQ(json.rfind("{\"format\": 1, \"status\": 1, \"check\": false, \"pairs\": [{\"command\": \"REMOVE\", "
                       "\"path\": \"/opt/old\"}, {\"command\": \"ADD\", \"path\": \"/opt/new\"}], \"files\": [",
                       0),
            0u)
      << json;
  EXPECT_NE(json.find("\"outcome\": \"changed\", \"reason\": null, \"added\": [\"'/opt/new:',...\"], "
                      "\"removed\": [\"'/opt/old:',...\"], \"diff\": \"--- /i/pathdef.m\\n"),
            std::string::npos)
      << json;
  EXPECT_NE(json.find("\"kind\": \"user copy\", \"owner\": \"u\", \"outcome\": \"skipped\", \"reason\": \"read "),
            std::string::npos)
      << json;
  EXPECT_NE(json.find("\"problems\": [\"Failed: x\"], \"message\": null}\n"), std::string::npos) << json;
}

}  // namespace
}  // namespace vorex
