#pragma once
// The progress dialog drawn on a terminal. On a TTY the status and detail lines are redrawn in
// place, Enter presses Cancel and Escape closes; otherwise changes are printed as plain lines and
// message boxes do not wait, so scripts never hang. Ctrl-C and SIGTERM are a close request.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <termios.h>

#include "platform/dialog_window.h"

namespace vorex {

class TerminalWindow : public DialogWindow {
 public:
  // Keys are read from inputFd and the dialog drawn on outputFd; interactive says both are a TTY.
  TerminalWindow(int inputFd, int outputFd, bool interactive, std::string title);
  // An unattended run's window: draws nothing, reads no keys and never waits; only the boxes'
  // texts (and problem lines) are written to outputFd. Ctrl-C and SIGTERM still close it.
  static std::unique_ptr<TerminalWindow> Silent(int outputFd, std::string title);
  ~TerminalWindow() override;

  int RunModal(DialogEvents& events) override;
  void SetItemText(int id, const std::string& text) override;
  void EnableItem(int id, bool enable) override;
  int MessageBox(const std::string& text, const std::string& caption, unsigned style) override;
  void ShowProblem(const std::string& line) override;
  bool SetTimer(unsigned id, unsigned milliseconds) override;
  void KillTimer(unsigned id) override;
  void EndDialog(int result) override;
  void NotifyWorkerEnded() override;
  void WaitForWorker() override;

 private:
  using Clock = std::chrono::steady_clock;
  struct Box {
    bool dismissed = false;
  };
  struct Timer {
    std::chrono::milliseconds period;
    Clock::time_point due;
  };
  enum class Key { kEnter, kEscape };

  // Runs on the UI thread until `done` holds: keys, signals, timers (while modal) and drawing.
  void Serve(const std::function<bool()>& done, bool modal);
  // How long the loop may wait for input: until the next timer (while modal) or redraw tick.
  int PollTimeoutLocked(bool modal);
  void DrainWakePipe();
  // One read of the keyboard: Enter presses Cancel, a lone Escape closes.
  void ReadKeys(bool modal);
  // Every timer that is due (all of them once the worker has ended), each told once.
  void FireDueTimers();
  void HandleKey(Key key, bool modal);
  void HandleCloseSignal(bool modal);
  void Wake();
  void RenderLocked(bool force);
  void WriteOut(const std::string& text);
  void EnterTerminalMode();
  void LeaveTerminalMode();

  const int inputFd_;
  const int outputFd_;
  const bool interactive_;
  bool silent_ = false;
  const std::string title_;
  std::thread::id uiThread_;
  DialogEvents* events_ = nullptr;

  std::mutex mutex_;
  std::condition_variable boxDismissed_;
  std::string status_;
  std::string detail_;
  bool cancelEnabled_ = true;
  bool dirty_ = false;
  bool visible_ = false;
  bool drawn_ = false;
  bool closing_ = false;  // after a signal no box waits any more
  bool modal_ = false;
  std::vector<std::string> pendingStatuses_;  // not yet printed (without a terminal)
  std::string shownDetail_;
  Clock::time_point lastRender_{};
  Clock::time_point nextTick_{};
  std::map<unsigned, Timer> timers_;
  bool ended_ = false;
  int result_ = 0;
  bool workerEnded_ = false;
  bool workerEndTick_ = false;  // the worker's end is an early tick of every timer
  bool wakePending_ = false;
  std::deque<Box*> boxes_;

  int wakePipe_[2] = {-1, -1};
  bool inputOpen_ = false;
  bool rawMode_ = false;
  termios savedTermios_{};
};

}  // namespace vorex
