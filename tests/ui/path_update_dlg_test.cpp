#include "ui/path_update_dlg.h"

#include "base/messages.h"

#include <gtest/gtest.h>

#include "support/gate.h"
#include "support/null_services.h"

namespace vorex {
namespace {

using testing::Gate;
using testing::RecordingWindow;
using testing::TestServices;
using Action = RecordingWindow::UserAction;

const StringList kCommands{"REMOVE", "ADD"};
const StringList kPaths{"D:\\Old", "C:\\Tools\\x"};

int TickOf(const RecordingWindow& w, const std::string& what) {
  for (const auto& c : w.Calls())
    if (c.what == what) return c.tick;
  return -1;
}

TEST(PathUpdateDlgTest, NormalEndClosesWithinOnePollPeriod) {
  TestServices s;
  std::atomic<int> before{-1}, after{-1};
  CPathUpdateDlg dlg(0, &kCommands, &kPaths, s.Dialog(),
                     [&](DiagnosticLog&, std::atomic<int>& running, UpdateProgress& p) {
                       while (s.window.Tick() < 5) std::this_thread::yield();
                       p.SetOutcome(kExitSuccess);
                       before = s.window.Tick();
                       running = 0;
                       after = s.window.Tick();
                     });
  EXPECT_EQ(dlg.DoModal(), kIdCancel);
  EXPECT_TRUE(s.window.Boxes().empty());
  int ended = TickOf(s.window, "end");
  EXPECT_GE(ended, before.load());
  EXPECT_LE(ended, after.load() + 1);
  EXPECT_EQ(dlg.Result(), kExitSuccess);
  // The poll timer was stopped, and "Exiting..." shown while the dialog waited.
  EXPECT_EQ(TickOf(s.window, "killtimer"), ended);
  EXPECT_EQ(s.window.Texts(kIdcStatusText).back(), "Exiting...");
  EXPECT_TRUE(dlg.Commands().empty());
}

TEST(PathUpdateDlgTest, CancelButtonListsPairsInListOrderAndWaitsForWorker) {
  TestServices s;
  Gate release;
  std::atomic<bool> workerDone{false};
  CPathUpdateDlg dlg(0, &kCommands, &kPaths, s.Dialog(), [&](DiagnosticLog&, std::atomic<int>&, UpdateProgress&) {
    release.Wait();
    workerDone = true;
  });
  s.window.At(3, Action::kCancelButton);
  std::thread opener([&] {
    while (s.window.Boxes().empty()) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    release.Open();
  });
  dlg.DoModal();
  opener.join();
  EXPECT_TRUE(workerDone);  // DoModal returned only after the worker ended
  ASSERT_EQ(s.window.Boxes().size(), 1u);
  EXPECT_EQ(s.window.Boxes()[0],
            "MATLAB path updated CANCELLED!\n\nFrom the MATLAB prompt, run PATHTOOL and\n"
            "REMOVE \"D:\\Old \"\nADD \"C:\\Tools\\x \"\n");
  EXPECT_EQ(s.window.lastCaption, "vorex");
  EXPECT_EQ(s.window.lastStyle, 0x1030u);
  EXPECT_EQ(dlg.m_bRunning, 0);
  EXPECT_EQ(dlg.Result(), kExitCancelled);
}

TEST(PathUpdateDlgTest, EscapeWhileRunningShowsCloseTimeBoxThenWaits) {
  TestServices s;
  Gate release;
  const StringList one{"ADD"}, dir{"C:\\Tools\\x"};
  CPathUpdateDlg dlg(0, &one, &dir, s.Dialog(),
                     [&](DiagnosticLog&, std::atomic<int>&, UpdateProgress&) { release.Wait(); });
  s.window.At(2, Action::kEscape);
  std::thread opener([&] {
    while (s.window.Texts(kIdcStatusText).empty() || s.window.Texts(kIdcStatusText).back() != "Exiting...")
      std::this_thread::yield();
    release.Open();
  });
  dlg.DoModal();
  opener.join();
  ASSERT_EQ(s.window.Boxes().size(), 1u);
  EXPECT_EQ(s.window.Boxes()[0],
            "MATLAB path updated CANCELLED! \n\nFrom the MATLAB prompt, run PATHTOOL and add\n\"C:\\Tools\\x\" to your "
            "MATLAB path.");
  // The box comes after the dialog was hidden, and before "Exiting...".
  auto calls = s.window.Calls();
  int hidden = -1, box = -1, exiting = -1;
  for (int i = 0; i < static_cast<int>(calls.size()); ++i) {
    if (calls[i].what == "hidden") hidden = i;
    if (calls[i].what == "box") box = i;
    if (calls[i].text == "Exiting...") exiting = i;
  }
  EXPECT_LT(hidden, box);
  EXPECT_LT(box, exiting);
  EXPECT_EQ(dlg.Result(), kExitCancelled);
}

TEST(PathUpdateDlgTest, CloseTimeBoxNamesEveryDirectory) {
  EXPECT_EQ(
      CloseTimeMessage({"D:\\Old", "C:\\x"}),
      "MATLAB path updated CANCELLED! \n\nFrom the MATLAB prompt, run PATHTOOL and add\n\"D:\\Old\"\n\"C:\\x\" to "
      "your MATLAB path.");
}

TEST(PathUpdateDlgTest, EscapeAfterTheEndShowsNoBox) {
  TestServices s;
  CPathUpdateDlg dlg(0, &kCommands, &kPaths, s.Dialog(),
                     [&](DiagnosticLog&, std::atomic<int>& running, UpdateProgress&) { running = 0; });
  s.window.When([&] { return dlg.m_bRunning == 0; }, Action::kEscape);
  dlg.DoModal();
  EXPECT_TRUE(s.window.Boxes().empty());
  EXPECT_EQ(dlg.Result(), kExitSuccess);
}

TEST(PathUpdateDlgTest, WorkerUpdatingTheWindowDuringTheWaitDoesNotDeadlock) {
  TestServices s;
  s.window.synchronousWorkerCalls = true;
  Gate cancelled;
  CPathUpdateDlg dlg(0, &kCommands, &kPaths, s.Dialog(),
                     [&](DiagnosticLog&, std::atomic<int>& running, UpdateProgress& p) {
                       while (running != 0) std::this_thread::yield();
                       // Like a run cancelled in its modify stage: it still reaches its outcome.
                       std::this_thread::sleep_for(std::chrono::milliseconds(20));
                       p.SetStatusText("MATLAB Path Update Complete.");
                       p.DisableCancel();
                     });
  s.window.At(2, Action::kCancelButton);
  dlg.DoModal();
  EXPECT_FALSE(s.window.deadlocked());
  EXPECT_EQ(s.window.Texts(kIdcStatusText).back(), "MATLAB Path Update Complete.");
}

TEST(PathUpdateDlgTest, RefusedTimerIdsAreSkipped) {
  TestServices s;
  s.window.refuseTimerIdsBelow = 3;
  CPathUpdateDlg dlg(0, &kCommands, &kPaths, s.Dialog(),
                     [](DiagnosticLog&, std::atomic<int>& running, UpdateProgress&) { running = 0; });
  dlg.DoModal();
  EXPECT_EQ(dlg.TimerId(), 3u);
  for (const auto& c : s.window.Calls()) {
    if (c.what == "settimer" || c.what == "killtimer" || c.what == "timer") {
      EXPECT_EQ(c.id, 3) << c.what;
    }
  }
}

TEST(PathUpdateDlgTest, NoTimerAtAllClosesAsTheUserWould) {
  TestServices s;
  s.window.refuseTimerIdsBelow = 1000;
  Gate release;
  CPathUpdateDlg dlg(0, &kCommands, &kPaths, s.Dialog(),
                     [&](DiagnosticLog&, std::atomic<int>&, UpdateProgress&) { release.Wait(); });
  std::thread opener([&] {
    while (s.window.Boxes().empty()) std::this_thread::yield();
    release.Open();
  });
  dlg.DoModal();
  opener.join();
  ASSERT_EQ(s.window.Boxes().size(), 1u);
  EXPECT_NE(s.window.Boxes()[0].find("CANCELLED"), std::string::npos);
}

TEST(PathUpdateDlgTest, ListsAreCopied) {
  TestServices s;
  StringList commands{"ADD"}, paths{"C:\\x"};
  CPathUpdateDlg dlg(0, &commands, &paths, s.Dialog(), nullptr);
  commands.clear();
  paths.clear();
  EXPECT_EQ(dlg.PairListing(), "ADD \"C:\\x \"\n");
}

TEST(PathUpdateDlgTest, PercentInDirectoryShownUnchanged) {
  TestServices s;
  StringList commands{"ADD", "REMOVE", "ADD"}, paths{"C:\\100%s", "D:\\b", "E:\\c"};
  CPathUpdateDlg dlg(0, &commands, &paths, s.Dialog(), nullptr);
  EXPECT_EQ(dlg.PairListing(), "ADD \"C:\\100%s \"\nREMOVE \"D:\\b \"\nADD \"E:\\c \"\n");
}

}  // namespace
}  // namespace vorex
