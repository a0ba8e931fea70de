#include "ui/terminal/terminal_window.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

#include <csignal>

#include "support/null_services.h"
#include "support/worker_end_check.h"
#include "ui/path_update_dlg.h"

namespace vorex {
namespace {

// Reads everything the window wrote to a pipe.
std::string Drain(int fd) {
  std::string out;
  char buf[4096];
  ssize_t n;
  while ((n = ::read(fd, buf, sizeof buf)) > 0) out.append(buf, static_cast<std::size_t>(n));
  return out;
}

struct Pipe {
  int fds[2];
  Pipe() {
    EXPECT_EQ(::pipe(fds), 0);
    ::fcntl(fds[0], F_SETFL, O_NONBLOCK);
  }
  ~Pipe() {
    ::close(fds[0]);
    ::close(fds[1]);
  }
};

// Without a terminal: status lines are printed as plain lines, boxes do not wait.
TEST(TerminalWindowTest, PlainLinesAndBoxesThatDoNotWait) {
  Pipe out;
  TerminalWindow window(-1, out.fds[1], false, "vorex");
  testing::TestServices s;
  s.rules = PathRules::Posix();
  DialogServices services{s.Platform(), window};
  StringList commands{"ADD"}, paths{"/opt/x"};
  CPathUpdateDlg dlg(0, &commands, &paths, services, [](DiagnosticLog&, std::atomic<int>& running, UpdateProgress& p) {
    for (int i = 0; i < 200; ++i) p.SetDetailText("/dir/" + std::to_string(i));
    p.SetStatusText("MATLAB Path Update Complete.");
    p.ShowMessage("a box\n");
    running = 0;
  });
  EXPECT_EQ(dlg.DoModal(), kIdCancel);
  std::string text = Drain(out.fds[0]);
  EXPECT_NE(text.find("vorex: Searching Registry for MATLAB Installations...\n"), std::string::npos);
  EXPECT_NE(text.find("vorex: MATLAB Path Update Complete.\n"), std::string::npos);
  EXPECT_NE(text.find("[vorex]\na box\n"), std::string::npos);
  EXPECT_EQ(text.find("Exiting..."), std::string::npos);  // the dialog is hidden by then
}

// SIGTERM is a request to close: the close-time box, and the dialog waits for the worker.
TEST(TerminalWindowTest, TerminationSignalClosesLikeEscape) {
  Pipe out;
  TerminalWindow window(-1, out.fds[1], false, "vorex");
  testing::TestServices s;
  s.rules = PathRules::Posix();
  DialogServices services{s.Platform(), window};
  StringList commands{"ADD"}, paths{"/opt/x"};
  std::atomic<bool> workerDone{false};
  // Aimed at the UI thread: ThreadSanitizer holds back a signal that lands on its own thread.
  pthread_t uiThread = ::pthread_self();
  // ThreadSanitizer sets up a thread's signal state on its first blocking call, and a signal that
  // lands during that setup is dropped. One blocking call here, before the worker can signal.
  ::poll(nullptr, 0, 0);
  // Started with the signal blocked, as some job runners start their children: it must still close.
  sigset_t term, oldMask;
  sigemptyset(&term);
  sigaddset(&term, SIGTERM);
  ::pthread_sigmask(SIG_BLOCK, &term, &oldMask);
  CPathUpdateDlg dlg(0, &commands, &paths, services, [&](DiagnosticLog&, std::atomic<int>& running, UpdateProgress& p) {
    ::pthread_kill(uiThread, SIGTERM);
    while (running != 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    p.SetStatusText("late");
    workerDone = true;
  });
  dlg.DoModal();
  ::pthread_sigmask(SIG_SETMASK, &oldMask, nullptr);
  EXPECT_TRUE(workerDone);
  EXPECT_EQ(dlg.Result(), kExitCancelled);
  EXPECT_NE(Drain(out.fds[0]).find("to your MATLAB path."), std::string::npos);
}

TEST(TerminalWindowTest, WorkerEndTicksTheTimersAtOnce) {
  Pipe out;
  TerminalWindow window(-1, out.fds[1], false, "vorex");
  testing::ExpectWorkerEndTicksTheTimersAtOnce(window);
}

}  // namespace
}  // namespace vorex
