#pragma once
// A dialog window that records every call and runs the modal loop in fast ticks: one tick stands
// for one poll period. Tests script what the user does at which tick.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/dialog_window.h"

namespace vorex::testing {

class RecordingWindow : public DialogWindow {
 public:
  struct Call {
    std::string what;  // "text", "enable", "box", "problem", "settimer", "killtimer", "end", "timer", "hidden"
    int id = 0;
    std::string text;
    bool fromWorker = false;
    int tick = 0;
  };
  enum class UserAction { kCancelButton, kEscape };

  // The user acts at the given tick (or as soon as the predicate holds, when given).
  void At(int tick, UserAction action) { script_.push_back({tick, action, nullptr}); }
  void When(std::function<bool()> condition, UserAction action) {
    script_.push_back({0, action, std::move(condition)});
  }
  // SetTimer refuses ids below this.
  unsigned refuseTimerIdsBelow = 0;
  // The worker's item changes wait until the UI thread has handled them, as SendMessage does.
  bool synchronousWorkerCalls = false;

  std::vector<Call> Calls() const;
  std::vector<std::string> Boxes() const;
  std::vector<std::string> Texts(int id) const;
  bool deadlocked() const { return deadlocked_; }
  int Tick() const { return tick_; }

  int RunModal(DialogEvents& events) override;
  void SetItemText(int id, const std::string& text) override;
  void EnableItem(int id, bool enable) override;
  int MessageBox(const std::string& text, const std::string& caption, unsigned style) override;
  void ShowProblem(const std::string& line) override { Record({"problem", 0, line}); }
  bool SetTimer(unsigned id, unsigned milliseconds) override;
  void KillTimer(unsigned id) override;
  void EndDialog(int result) override;
  void NotifyWorkerEnded() override;
  void WaitForWorker() override;

  std::string lastCaption;
  unsigned lastStyle = 0;

 private:
  struct Scripted {
    int tick;
    UserAction action;
    std::function<bool()> condition;
    bool done = false;
  };
  void Record(Call call);
  bool OnUiThread() const { return std::this_thread::get_id() == uiThread_; }
  // Runs queued worker calls on the UI thread.
  void ServeWorkerCalls();
  void RunOnUi(std::function<void()> work);

  mutable std::mutex mutex_;
  std::condition_variable served_;
  std::vector<Call> calls_;
  std::deque<std::function<void()>> pending_;
  std::vector<Scripted> script_;
  std::thread::id uiThread_;
  std::atomic<int> tick_{0};
  std::atomic<bool> ended_{false};
  std::atomic<bool> workerEnded_{false};
  std::atomic<bool> deadlocked_{false};
  int result_ = 0;
  bool timerSet_ = false;
  unsigned timerId_ = 0;
};

}  // namespace vorex::testing
