#pragma once
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <string>

#include "platform/dialog_window.h"
#include "platform/win32/windows_api.h"

namespace vorex {

// The window of an unattended run (-silent on, the console program, a station nobody sits at):
// no window at all, so that it works where none can be made (a service, a session without a
// desktop). The poll timer and the worker's end are kept by this object and waited for on an
// event; a console Ctrl-C, Ctrl-Break or closing console, when we are attached to one, is a
// close request. The boxes' texts go to `writeError`.
class Win32SilentWindow : public DialogWindow {
 public:
  explicit Win32SilentWindow(std::function<void(const std::string&)> writeError);
  ~Win32SilentWindow() override;
  Win32SilentWindow(const Win32SilentWindow&) = delete;
  Win32SilentWindow& operator=(const Win32SilentWindow&) = delete;

  int RunModal(DialogEvents& events) override;
  void SetItemText(int, const std::string&) override {}
  void EnableItem(int, bool) override {}
  int MessageBox(const std::string& text, const std::string& caption, unsigned style) override;
  void ShowProblem(const std::string& line) override;
  bool SetTimer(unsigned id, unsigned milliseconds) override;
  void KillTimer(unsigned id) override;
  void EndDialog(int result) override;
  void NotifyWorkerEnded() override;
  void WaitForWorker() override;

 private:
  using Clock = std::chrono::steady_clock;
  struct Timer {
    std::chrono::milliseconds period;
    Clock::time_point due;
  };
  static BOOL WINAPI ConsoleHandler(DWORD event);
  // Handles what woke the loop: a close request, the worker's end, the timers that are due.
  void Serve(DialogEvents& events);
  DWORD MillisecondsToNextTimer() const;

  std::function<void(const std::string&)> writeError_;
  HANDLE wake_;         // set whenever the loop has something to look at
  HANDLE workerEnded_;  // set once, as the worker's last act
  std::atomic<bool> workerEndTick_{false};
  std::map<unsigned, Timer> timers_;  // the UI thread's alone
  bool ended_ = false;
  int result_ = 0;
};

}  // namespace vorex
