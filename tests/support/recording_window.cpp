#include "support/recording_window.h"

namespace vorex::testing {

namespace {
constexpr auto kTick = std::chrono::milliseconds(1);
constexpr int kGiveUpTicks = 5000;
}  // namespace

void RecordingWindow::Record(Call call) {
  std::lock_guard lock(mutex_);
  call.fromWorker = !OnUiThread();
  call.tick = tick_;
  calls_.push_back(std::move(call));
}

std::vector<RecordingWindow::Call> RecordingWindow::Calls() const {
  std::lock_guard lock(mutex_);
  return calls_;
}

std::vector<std::string> RecordingWindow::Boxes() const {
  std::vector<std::string> boxes;
  for (const Call& c : Calls())
    if (c.what == "box") boxes.push_back(c.text);
  return boxes;
}

std::vector<std::string> RecordingWindow::Texts(int id) const {
  std::vector<std::string> texts;
  for (const Call& c : Calls())
    if (c.what == "text" && c.id == id) texts.push_back(c.text);
  return texts;
}

void RecordingWindow::ServeWorkerCalls() {
  std::deque<std::function<void()>> work;
  {
    std::lock_guard lock(mutex_);
    work.swap(pending_);
  }
  for (auto& w : work) w();
  std::lock_guard lock(mutex_);
  served_.notify_all();
}

void RecordingWindow::RunOnUi(std::function<void()> work) {
  if (OnUiThread() || !synchronousWorkerCalls) {
    work();
    return;
  }
  std::unique_lock lock(mutex_);
  bool done = false;
  pending_.push_back([this, work = std::move(work), &done] {
    work();
    std::lock_guard inner(mutex_);
    done = true;
  });
  // A call that the UI thread never serves is the deadlock this window exists to catch.
  if (!served_.wait_for(lock, std::chrono::seconds(5), [&] { return done; })) deadlocked_ = true;
}

int RecordingWindow::RunModal(DialogEvents& events) {
  uiThread_ = std::this_thread::get_id();
  events.OnInitDialog();
  while (!ended_ && tick_ < kGiveUpTicks) {
    std::this_thread::sleep_for(kTick);
    ++tick_;
    ServeWorkerCalls();
    for (Scripted& s : script_) {
      if (s.done || ended_) continue;
      bool now = s.condition ? s.condition() : tick_ >= s.tick;
      if (!now) continue;
      s.done = true;
      if (s.action == UserAction::kCancelButton)
        events.OnCancelButton();
      else
        events.OnCloseRequest();
    }
    if (timerSet_ && !ended_) {
      Record({"timer", static_cast<int>(timerId_), ""});
      events.OnTimer(timerId_);
    }
  }
  Record({"hidden", 0, ""});
  events.OnDestroyWindow();
  return result_;
}

void RecordingWindow::SetItemText(int id, const std::string& text) {
  RunOnUi([this, id, text] { Record({"text", id, text}); });
}

void RecordingWindow::EnableItem(int id, bool enable) {
  RunOnUi([this, id, enable] { Record({"enable", id, enable ? "1" : "0"}); });
}

int RecordingWindow::MessageBox(const std::string& text, const std::string& caption, unsigned style) {
  {
    std::lock_guard lock(mutex_);
    lastCaption = caption;
    lastStyle = style;
  }
  Record({"box", 0, text});
  return 1;
}

bool RecordingWindow::SetTimer(unsigned id, unsigned milliseconds) {
  if (id < refuseTimerIdsBelow) return false;
  Record({"settimer", static_cast<int>(id), std::to_string(milliseconds)});
  timerSet_ = true;
  timerId_ = id;
  return true;
}

void RecordingWindow::KillTimer(unsigned id) {
  Record({"killtimer", static_cast<int>(id), ""});
  if (id == timerId_) timerSet_ = false;
}

void RecordingWindow::EndDialog(int result) {
  Record({"end", result, ""});
  if (!ended_) result_ = result;
  ended_ = true;
}

void RecordingWindow::NotifyWorkerEnded() {
  workerEnded_ = true;
}

void RecordingWindow::WaitForWorker() {
  for (int waited = 0; !workerEnded_; ++waited) {
    if (waited > kGiveUpTicks) {
      deadlocked_ = true;
      return;
    }
    ServeWorkerCalls();
    std::this_thread::sleep_for(kTick);
  }
  ServeWorkerCalls();
}

}  // namespace vorex::testing
