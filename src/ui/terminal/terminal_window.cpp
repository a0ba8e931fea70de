#include "ui/terminal/terminal_window.h"

#include "ui/terminal/close_signals.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace vorex {

namespace {

// The dialog is drawn at most this often, by the UI loop's own tick: the scan changes the
// detail line for every directory, and a draw (or a wake-up) per change would cost the walk.
constexpr auto kRedrawInterval = std::chrono::milliseconds(50);

std::string Fit(const std::string& text, std::size_t width) {
  std::string out;
  for (char c : text) out += (c == '\n' || c == '\r' || c == '\t') ? ' ' : c;
  if (width > 1 && out.size() >= width) out.resize(width - 1);
  return out;
}

}  // namespace

TerminalWindow::TerminalWindow(int inputFd, int outputFd, bool interactive, std::string title)
    : inputFd_(inputFd), outputFd_(outputFd), interactive_(interactive), title_(std::move(title)) {
  if (::pipe(wakePipe_) == 0) {
    for (int fd : wakePipe_) {
      ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
      ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
  }
  inputOpen_ = interactive_;
}

std::unique_ptr<TerminalWindow> TerminalWindow::Silent(int outputFd, std::string title) {
  auto window = std::make_unique<TerminalWindow>(-1, outputFd, false, std::move(title));
  window->silent_ = true;
  return window;
}

TerminalWindow::~TerminalWindow() {
  LeaveTerminalMode();
  for (int fd : wakePipe_)
    if (fd >= 0) ::close(fd);
}

void TerminalWindow::EnterTerminalMode() {
  if (!interactive_ || rawMode_ || ::tcgetattr(inputFd_, &savedTermios_) != 0) return;
  termios raw = savedTermios_;
  raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);  // keys one by one, unechoed; Ctrl-C still signals
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  rawMode_ = ::tcsetattr(inputFd_, TCSANOW, &raw) == 0;
}

void TerminalWindow::LeaveTerminalMode() {
  if (rawMode_) ::tcsetattr(inputFd_, TCSANOW, &savedTermios_);
  rawMode_ = false;
}

void TerminalWindow::WriteOut(const std::string& text) {
  std::string_view rest = text;
  while (!rest.empty()) {
    ssize_t n = ::write(outputFd_, rest.data(), rest.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    rest.remove_prefix(static_cast<std::size_t>(n));
  }
}

void TerminalWindow::Wake() {
  {
    std::lock_guard lock(mutex_);
    if (wakePending_) return;
    wakePending_ = true;
  }
  char c = 'w';
  [[maybe_unused]] ssize_t n = ::write(wakePipe_[1], &c, 1);
}

int TerminalWindow::RunModal(DialogEvents& events) {
  events_ = &events;
  uiThread_ = std::this_thread::get_id();
  EnterTerminalMode();
  {
    CloseSignals signals(wakePipe_[1]);
    {
      std::lock_guard lock(mutex_);
      visible_ = true;
      modal_ = true;
      dirty_ = true;
    }
    events.OnInitDialog();
    Serve([this] { return ended_; }, true);
    {
      // The framework hides the dialog before it is destroyed.
      std::lock_guard lock(mutex_);
      RenderLocked(true);
      if (drawn_ && interactive_) WriteOut("\n");
      drawn_ = false;
      visible_ = false;
      modal_ = false;
      timers_.clear();
    }
    events.OnDestroyWindow();
  }
  LeaveTerminalMode();
  events_ = nullptr;
  std::lock_guard lock(mutex_);
  return result_;
}

void TerminalWindow::Serve(const std::function<bool()>& done, bool modal) {
  for (;;) {
    int timeoutMs = -1;
    {
      std::lock_guard lock(mutex_);
      if (done()) return;
      timeoutMs = PollTimeoutLocked(modal);
    }

    pollfd fds[2] = {{wakePipe_[0], POLLIN, 0}, {inputFd_, POLLIN, 0}};
    int count = inputOpen_ ? 2 : 1;
    if (::poll(fds, static_cast<nfds_t>(count), timeoutMs) < 0 && errno != EINTR) return;

    if (fds[0].revents & POLLIN) DrainWakePipe();
    if (CloseSignals::TakeRequest()) HandleCloseSignal(modal);
    if (count == 2 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR))) ReadKeys(modal);
    if (modal) FireDueTimers();
    std::lock_guard lock(mutex_);
    RenderLocked(false);
  }
}

int TerminalWindow::PollTimeoutLocked(bool modal) {
  auto now = Clock::now();
  auto soonest = Clock::time_point::max();
  if (modal)
    for (const auto& [id, timer] : timers_) soonest = std::min(soonest, timer.due);
  // While shown, the loop ticks at the redraw rate: the worker's detail changes do not wake it.
  if (visible_ && !silent_) {
    if (nextTick_ <= now) nextTick_ = now + kRedrawInterval;
    soonest = std::min(soonest, nextTick_);
  }
  if (soonest == Clock::time_point::max()) return -1;
  return static_cast<int>(
      std::max<long long>(0, std::chrono::duration_cast<std::chrono::milliseconds>(soonest - now).count() + 1));
}

void TerminalWindow::DrainWakePipe() {
  char buf[64];
  while (::read(wakePipe_[0], buf, sizeof buf) > 0) {
  }
  std::lock_guard lock(mutex_);
  wakePending_ = false;
}

void TerminalWindow::ReadKeys(bool modal) {
  char buf[64];
  ssize_t n = ::read(inputFd_, buf, sizeof buf);
  if (n <= 0) {
    inputOpen_ = false;  // end of input: keys can no longer come
  } else if (buf[0] == '\r' || buf[0] == '\n') {
    // One key per read: a second Enter in the same burst must not also press Cancel.
    HandleKey(Key::kEnter, modal);
  } else if (buf[0] == 0x1b && n == 1) {
    HandleKey(Key::kEscape, modal);  // a lone Escape, not the start of an arrow key
  }
}

void TerminalWindow::FireDueTimers() {
  std::vector<unsigned> due;
  {
    std::lock_guard lock(mutex_);
    auto now = Clock::now();
    bool early = workerEndTick_;
    workerEndTick_ = false;
    for (auto& [id, timer] : timers_) {
      if (early || timer.due <= now) {
        due.push_back(id);
        timer.due = now + timer.period;
      }
    }
  }
  for (unsigned id : due) {
    bool stillSet;
    {
      std::lock_guard lock(mutex_);
      stillSet = timers_.contains(id);
    }
    if (stillSet && events_) events_->OnTimer(id);
  }
}

void TerminalWindow::HandleKey(Key key, bool modal) {
  bool cancel = false, close = false;
  {
    std::lock_guard lock(mutex_);
    if (!boxes_.empty()) {
      boxes_.front()->dismissed = true;
      boxes_.pop_front();
      boxDismissed_.notify_all();
      dirty_ = true;
      return;
    }
    if (!modal || ended_) return;
    cancel = key == Key::kEnter && cancelEnabled_;
    close = key == Key::kEscape;
  }
  if (cancel && events_) events_->OnCancelButton();
  if (close && events_) events_->OnCloseRequest();
}

void TerminalWindow::HandleCloseSignal(bool modal) {
  bool close;
  {
    std::lock_guard lock(mutex_);
    closing_ = true;
    for (Box* box : boxes_) box->dismissed = true;
    boxes_.clear();
    boxDismissed_.notify_all();
    close = modal && !ended_;
  }
  if (close && events_) events_->OnCloseRequest();
}

void TerminalWindow::RenderLocked(bool force) {
  if (!visible_ || !dirty_ || silent_) return;
  auto now = Clock::now();
  if (!force && now - lastRender_ < kRedrawInterval) return;
  lastRender_ = now;
  dirty_ = false;
  if (!interactive_) {
    // Every status line is printed; the detail line, which changes for every directory the
    // scan lists, only as it stands at each redraw.
    std::string out;
    for (const std::string& status : pendingStatuses_) out += title_ + ": " + status + "\n";
    pendingStatuses_.clear();
    if (detail_ != shownDetail_ && !detail_.empty()) out += "  " + detail_ + "\n";
    shownDetail_ = detail_;
    WriteOut(out);
    return;
  }
  winsize ws{};
  std::size_t width = (::ioctl(outputFd_, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) ? ws.ws_col : 80;
  std::string out = drawn_ ? "\r\x1b[2A" : "";
  out += "\r\x1b[K" + Fit(title_ + ": " + status_, width) + "\n";
  out += "\r\x1b[K" + Fit("  " + detail_, width) + "\n";
  out += "\r\x1b[K" +
         Fit(cancelEnabled_ ? "  [ Cancel ]   Enter: cancel   Esc: close" : "  [ ------ ]   Esc: close", width);
  drawn_ = true;
  WriteOut(out);
}

void TerminalWindow::SetItemText(int id, const std::string& text) {
  {
    std::lock_guard lock(mutex_);
    if (id == kIdcStatusText) {
      if (visible_ && text != status_) pendingStatuses_.push_back(text);
      status_ = text;
    } else if (id == kIdcDetailText) {
      // Stored only; the next tick draws the latest. No system call on the worker's side.
      detail_ = text;
      dirty_ = true;
      return;
    } else {
      return;
    }
    dirty_ = true;
  }
  Wake();
}

void TerminalWindow::EnableItem(int id, bool enable) {
  {
    std::lock_guard lock(mutex_);
    if (id != kIdcCancelButton) return;
    cancelEnabled_ = enable;
    dirty_ = true;
  }
  Wake();
}

int TerminalWindow::MessageBox(const std::string& text, const std::string& caption, unsigned /*style*/) {
  constexpr int kIdOk = 1;
  std::unique_lock lock(mutex_);
  RenderLocked(true);
  std::string out = drawn_ ? "\n" : "";
  drawn_ = false;
  out += "\n[" + caption + "]\n" + text;
  if (text.empty() || text.back() != '\n') out += "\n";
  bool wait = interactive_ && inputOpen_ && !closing_;
  out += wait ? "[ OK ]  Press Enter.\n" : "\n";
  WriteOut(out);
  dirty_ = true;
  if (!wait) return kIdOk;
  Box box;
  // The box leaves the queue when it is dismissed, before this call returns.
  // cppcheck-suppress danglingLifetime
  boxes_.push_back(&box);
  if (std::this_thread::get_id() == uiThread_) {
    bool modal = modal_;
    lock.unlock();
    Serve([&box] { return box.dismissed; }, modal);
  } else {
    lock.unlock();
    Wake();
    lock.lock();
    boxDismissed_.wait(lock, [&box] { return box.dismissed; });
  }
  return kIdOk;
}

void TerminalWindow::ShowProblem(const std::string& line) {
  std::lock_guard lock(mutex_);
  std::string out = drawn_ ? "\n" : "";
  drawn_ = false;
  WriteOut(out + line + "\n");
  dirty_ = true;
}

bool TerminalWindow::SetTimer(unsigned id, unsigned milliseconds) {
  std::lock_guard lock(mutex_);
  auto period = std::chrono::milliseconds(milliseconds);
  timers_[id] = Timer{period, Clock::now() + period};
  return true;
}

void TerminalWindow::KillTimer(unsigned id) {
  std::lock_guard lock(mutex_);
  timers_.erase(id);
}

void TerminalWindow::EndDialog(int result) {
  {
    std::lock_guard lock(mutex_);
    if (ended_) return;
    ended_ = true;
    result_ = result;
  }
  Wake();
}

void TerminalWindow::NotifyWorkerEnded() {
  {
    std::lock_guard lock(mutex_);
    workerEnded_ = true;
    // The run is over: the poll timer need not wait out its period to see that.
    workerEndTick_ = true;
  }
  Wake();
}

void TerminalWindow::WaitForWorker() {
  Serve([this] { return workerEnded_; }, false);
}

}  // namespace vorex
