#include "log/diagnostic_log.h"

#include <gtest/gtest.h>

#include "base/ascii.h"
#include "support/fake_file_system.h"
#include "support/null_services.h"
#include "support/open_log.h"
#include "ui/path_update_dlg.h"

namespace vorex {
namespace {

using testing::FakeFileSystem;

TEST(DiagnosticLogTest, EachWriteIsOneLine) {
  FakeFileSystem fs;
  {
    DiagnosticLog log;
    testing::OpenLog(log, fs, fs, "vorex.log", false);
    log.WriteLog("File: /a/local/pathdef.m");
    log.WriteLog("p = [...\n");  // a line echoed with its own break leaves an empty line
  }
  EXPECT_EQ(fs.files["vorex.log"], "File: /a/local/pathdef.m\np = [...\n\n");
}

TEST(DiagnosticLogTest, WindowsStoresCarriageReturns) {
  FakeFileSystem fs;
  {
    DiagnosticLog log;
    testing::OpenLog(log, fs, fs, "vorex.log", true);
    log.WriteLog("a\n");
  }
  EXPECT_EQ(fs.files["vorex.log"], "a\r\n\r\n");
}

// A log file the caller named and that cannot be opened is said, with or without rights; one that
// is opened is appended to.
TEST(DiagnosticLogTest, ANamedLogFileIsAppendedToOrItsRefusalSaid) {
  testing::TestServices s;
  s.fs.AddFile("C:\\ProgramData\\Acme\\install.log", "earlier\n");
  {
    DiagnosticLog log;
    log.Open(s.Platform(), "C:\\ProgramData\\Acme\\install.log", true);
    log.WriteLog("more");
  }
  EXPECT_EQ(s.fs.files["C:\\ProgramData\\Acme\\install.log"], "earlier\nmore\r\n");
  s.fs.FailOn(FakeFileSystem::Op::kCreate);
  DiagnosticLog refused;
  refused.Open(s.Platform(), "C:\\missing\\install.log", true);
  EXPECT_FALSE(refused.IsOpen());
  EXPECT_EQ(refused.Refusal(), "Log off: C:\\missing\\install.log: injected failure");
}

TEST(DiagnosticLogTest, UnopenableFileMeansNoLogAndNoComplaint) {
  FakeFileSystem fs;
  fs.FailOn(FakeFileSystem::Op::kCreate);
  DiagnosticLog log;
  testing::OpenLog(log, fs, fs, "vorex.log", false);
  EXPECT_FALSE(log.IsOpen());
  log.WriteLog("ignored");
  EXPECT_EQ(fs.files.count("vorex.log"), 0u);
}

struct SwitchCase {
  int bLog;
  bool created;
};

class LogSwitchTest : public ::testing::TestWithParam<SwitchCase> {};

// The dialog opens the log only when the switch is exactly 1; an existing log is emptied then
// and left alone otherwise.
TEST_P(LogSwitchTest, DialogOpensLogOnlyWhenOn) {
  testing::TestServices s;
  s.fs.AddFile("vorex.log", "earlier run\n");
  StringList commands{"ADD"}, paths{"C:\\x"};
  { CPathUpdateDlg dlg(GetParam().bLog, &commands, &paths, s.Dialog(), nullptr); }
  EXPECT_EQ(s.fs.files["vorex.log"], GetParam().created ? "" : "earlier run\n");
}

INSTANTIATE_TEST_SUITE_P(Switch, LogSwitchTest, ::testing::Values(SwitchCase{1, true}, SwitchCase{0, false}));

}  // namespace
}  // namespace vorex

namespace vorex {
namespace {

// One name is one line for every reader: line-splitting callers (Python's splitlines, Ansible's
// stdout_lines) cut at more than CR and LF.
TEST(OneLineTest, EveryControlAndSeparatorOfUnicodeBecomesAMark) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"/opt/a\nb", "/opt/a?b"},
      {"/opt/a\rb\tc\x7f", "/opt/a?b?c?"},
      {"/opt/a\xc2\x85"
       "b",
       "/opt/a?b"},  // NEL
      {"/opt/a\xc2\x9f"
       "b",
       "/opt/a?b"},  // the last C1 control
      {"/opt/a\xe2\x80\xa8"
       "b\xe2\x80\xa9",
       "/opt/a?b?"},
      {"/opt/a\xe2\x80\xae"
       "fdp.m\xe2\x81\xa9\xe2\x80\x8f",
       "/opt/a?fdp.m??"},  // right-to-left override, pop isolate, right-to-left mark
      {"/opt/caf\xc3\xa9 \xe2\x80\xa6 \xc2\xa0 \xe2\x80\xb0\xe2\x81\xaa",
       "/opt/caf\xc3\xa9 \xe2\x80\xa6 \xc2\xa0 \xe2\x80\xb0\xe2\x81\xaa"},  // kept as they are
      {"/opt/cut\xc2", "/opt/cut\xc2"},
  };
  for (const Case& c : cases) EXPECT_EQ(OneLine(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace vorex
