// Start-up with fakes: what -silent on changes, and what it leaves as it is.
#include "app/path_update_app.h"

#include <gtest/gtest.h>

#include "base/messages.h"
#include "run/update_run.h"
#include "support/null_services.h"

namespace vorex {
namespace {

using testing::RecordingWindow;
using testing::TestServices;

const std::string kFile = "C:\\Apps\\M\\toolbox\\local\\pathdef.m";
const std::string kText = "p = [...\n     'C:\\old;', ...\n%%% END ENTRIES %%%\n];\n";

struct AppHarness {
  TestServices s;
  RecordingWindow silentWindow;
  int dialogWindows = 0;
  int silentWindows = 0;
  std::vector<std::string> errors;
  std::vector<std::string> usageBoxes;

  int Run(const std::string& line) {
    s.fs.AddFile("vorex.log", "");
    AppPlatform platform{
        {s.registry, s.fs, s.fs, s.sleeper, PathRules::Windows(), "vorex", "", nullptr, nullptr, s.fs.withRights},
        [this] {
          ++dialogWindows;
          return std::unique_ptr<DialogWindow>(new Forward(s.window));
        },
        [this](const std::string& text, const std::string&) { usageBoxes.push_back(text); },
        [this](const std::string& text, const std::string&) { usageBoxes.push_back(text); },
        [this] {
          ++silentWindows;
          return std::unique_ptr<DialogWindow>(new Forward(silentWindow));
        },
        [this](const std::string& text) { errors.push_back(text); },
    };
    return CPathUpdateApp(std::move(platform)).InitInstance(line);
  }
  std::string Log() { return s.fs.files["vorex.log"]; }

  // The app owns the window it makes; these hand every call to a window the test keeps.
  class Forward : public DialogWindow {
   public:
    explicit Forward(DialogWindow& to) : to_(to) {}
    int RunModal(DialogEvents& e) override { return to_.RunModal(e); }
    void SetItemText(int id, const std::string& t) override { to_.SetItemText(id, t); }
    void EnableItem(int id, bool e) override { to_.EnableItem(id, e); }
    int MessageBox(const std::string& t, const std::string& c, unsigned s) override { return to_.MessageBox(t, c, s); }
    void ShowProblem(const std::string& l) override { to_.ShowProblem(l); }
    bool SetTimer(unsigned id, unsigned ms) override { return to_.SetTimer(id, ms); }
    void KillTimer(unsigned id) override { to_.KillTimer(id); }
    void EndDialog(int r) override { to_.EndDialog(r); }
    void NotifyWorkerEnded() override { to_.NotifyWorkerEnded(); }
    void WaitForWorker() override { to_.WaitForWorker(); }

   private:
    DialogWindow& to_;
  };
};

void Register(TestServices& s) {
  s.registry.Put("MATLAB.APPLICATION\\CLSID", "", "{ID}");
  s.registry.Put("CLSID\\{ID}\\LocalServer32", "", "C:\\Apps\\M\\bin\\win32\\server.exe /x");
}

// Each outcome with -silent on: no dialog window, no pause, the same status, and every box's
// text in the log as one block.
TEST(SilentRunTest, EachOutcomeReachesTheLogWithoutWindowOrPauses) {
  struct Row {
    const char* name;
    std::string file;  // empty: no installation at all
    int status;
    std::string inLog;
  } rows[] = {
      {"Success", kText, kExitSuccess, "Got closing brace\n"},
      {"Failure", "no insertion point\n", kExitFailure,
       "An error ocurred while updating \"pathdef.m\".\n\nFrom the MATLAB prompt, run PATHTOOL and\nADD \"C:\\New "
       "\"\n"},
      {"NotFound", "", kExitNotFound,
       "WARNING: The MATLAB \"pathdef.m\" file could not be found.\n\nFrom the MATLAB prompt, run PATHTOOL, "
       "and\nADD \"C:\\New \"\n"},
  };
  for (const Row& row : rows) {
    AppHarness h;
    h.s.fs.roots = {"C:\\"};
    if (!row.file.empty()) {
      Register(h.s);
      h.s.fs.AddFile(kFile, row.file);
    }
    EXPECT_EQ(h.Run("vorex.exe -command ADD -path C:\\New -silent on -log on"), row.status) << row.name;
    EXPECT_EQ(h.dialogWindows, 0) << row.name;
    EXPECT_TRUE(h.s.window.Calls().empty()) << row.name;
    EXPECT_TRUE(h.s.sleeper.Pauses().empty()) << row.name;
    std::string crlf;  // the log is a Windows text file here
    for (char c : row.inLog) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_NE(h.Log().find(crlf), std::string::npos) << row.name << "\n" << h.Log();
  }
}

TEST(SilentRunTest, WithoutTheSwitchTheDialogRunsWithItsPauses) {
  AppHarness h;
  Register(h.s);
  h.s.fs.AddFile(kFile, kText);
  EXPECT_EQ(h.Run("vorex.exe -command ADD -path C:\\New -silent off"), kExitSuccess);
  EXPECT_EQ(h.dialogWindows, 1);
  EXPECT_EQ(h.silentWindows, 0);
  EXPECT_EQ(h.s.sleeper.Pauses(), (std::vector<unsigned>{1000, 2000, 3000, 3000}));
}

TEST(SilentRunTest, UsageGoesToStandardErrorAndNoBoxIsShown) {
  AppHarness h;
  EXPECT_EQ(h.Run("vorex.exe -silent on -command ADD -log on"), kExitUsage);
  EXPECT_TRUE(h.usageBoxes.empty());
  ASSERT_EQ(h.errors.size(), 1u);
  EXPECT_NE(h.errors[0].find("Problem: at least one -command and one -path must be given."), std::string::npos);
  EXPECT_EQ(h.Log(), "");  // the usage message never opens the log
}

// A -matlabroot folder that no system could name stops the run before anything is looked at.
TEST(MatlabRootCheckTest, ALineBreakInARootIsAUsageProblem) {
  AppHarness h;
  EXPECT_EQ(h.Run("vorex.exe -command ADD -path C:\\New -matlabroot C:\\M\rX"), kExitUsage);
  ASSERT_EQ(h.usageBoxes.size(), 1u);
  EXPECT_NE(h.usageBoxes[0].find(problem::LineBreakInDirectory()), std::string::npos);
  EXPECT_EQ(h.dialogWindows + h.silentWindows, 0);
}

TEST(HelpTest, HelpAndVersionEndWithStatusZero) {
  AppHarness h;
  EXPECT_EQ(h.Run("vorex.exe --help"), kExitSuccess);
  EXPECT_EQ(h.Run("vorex.exe --version"), kExitSuccess);
  ASSERT_EQ(h.usageBoxes.size(), 2u);
  EXPECT_NE(h.usageBoxes[0].find("-command ADD -path <filepath to add>"), std::string::npos);
  EXPECT_EQ(h.usageBoxes[1].rfind("vorex ", 0), 0u);
  EXPECT_EQ(h.dialogWindows + h.silentWindows, 0);
}

}  // namespace
}  // namespace vorex
