#include "ui/win32/win32_silent_window.h"

#include <vector>

namespace vorex {

namespace {
// The silent window a console event is handed to; the handler runs on a thread of its own.
std::atomic<HANDLE> g_wake{nullptr};
std::atomic<bool> g_closeRequest{false};
}  // namespace

Win32SilentWindow::Win32SilentWindow(std::function<void(const std::string&)> writeError)
    : writeError_(std::move(writeError)),
      wake_(CreateEventA(nullptr, FALSE, FALSE, nullptr)),
      workerEnded_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

Win32SilentWindow::~Win32SilentWindow() {
  if (wake_) CloseHandle(wake_);
  if (workerEnded_) CloseHandle(workerEnded_);
}

BOOL WINAPI Win32SilentWindow::ConsoleHandler(DWORD event) {
  HANDLE wake = g_wake.load();
  if (!wake) return FALSE;
  g_closeRequest = true;
  SetEvent(wake);
  // A console that closes, or a log-off or shutdown, ends the process once this returns; give
  // the run a moment to stop and report.
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) Sleep(3000);
  return TRUE;
}

int Win32SilentWindow::RunModal(DialogEvents& events) {
  if (!wake_ || !workerEnded_) {
    if (writeError_) writeError_("Failed: start the run: " + std::to_string(GetLastError()) + "\r\n");
    return -1;
  }
  g_closeRequest = false;
  g_wake = wake_;
  SetConsoleCtrlHandler(ConsoleHandler, TRUE);
  events.OnInitDialog();
  while (!ended_) {
    WaitForSingleObject(wake_, MillisecondsToNextTimer());
    Serve(events);
  }
  events.OnDestroyWindow();
  SetConsoleCtrlHandler(ConsoleHandler, FALSE);
  g_wake = nullptr;
  return result_;
}

void Win32SilentWindow::Serve(DialogEvents& events) {
  if (g_closeRequest.exchange(false) && !ended_) events.OnCloseRequest();
  // The run is over: the poll timer need not wait out its period to see that.
  bool early = workerEndTick_.exchange(false);
  std::vector<unsigned> due;
  auto now = Clock::now();
  for (auto& [id, timer] : timers_) {
    if (!early && timer.due > now) continue;
    due.push_back(id);
    timer.due = now + timer.period;
  }
  for (unsigned id : due)
    if (!ended_ && timers_.contains(id)) events.OnTimer(id);
}

DWORD Win32SilentWindow::MillisecondsToNextTimer() const {
  if (timers_.empty()) return INFINITE;
  auto now = Clock::now();
  auto soonest = Clock::time_point::max();
  for (const auto& [id, timer] : timers_) soonest = std::min(soonest, timer.due);
  if (soonest <= now) return 0;
  return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(soonest - now).count() + 1);
}

bool Win32SilentWindow::SetTimer(unsigned id, unsigned milliseconds) {
  std::chrono::milliseconds period(milliseconds);
  timers_[id] = {period, Clock::now() + period};
  return true;
}

void Win32SilentWindow::KillTimer(unsigned id) {
  timers_.erase(id);
}

void Win32SilentWindow::EndDialog(int result) {
  if (ended_) return;
  ended_ = true;
  result_ = result;
  SetEvent(wake_);
}

void Win32SilentWindow::NotifyWorkerEnded() {
  workerEndTick_ = true;
  SetEvent(workerEnded_);
  SetEvent(wake_);
}

void Win32SilentWindow::WaitForWorker() {
  // Nothing of the worker's waits on this thread: the window has nothing to serve.
  WaitForSingleObject(workerEnded_, INFINITE);
}

int Win32SilentWindow::MessageBox(const std::string& text, const std::string& caption, unsigned /*style*/) {
  if (writeError_) writeError_("[" + caption + "]\r\n" + text + (text.empty() || text.back() != '\n' ? "\r\n" : ""));
  return IDOK;
}

void Win32SilentWindow::ShowProblem(const std::string& line) {
  if (writeError_) writeError_(line + "\r\n");
}

}  // namespace vorex
