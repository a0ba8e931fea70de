#include "ui/terminal/close_signals.h"

#include <pthread.h>
#include <unistd.h>

#include <atomic>

namespace vorex {

namespace {

std::atomic<int> g_signalFd{-1};
volatile sig_atomic_t g_closeSignal = 0;
// How many CloseSignals live: only the outermost installs and restores the handlers.
int g_depth = 0;

void OnCloseSignal(int /*signal*/) {
  g_closeSignal = 1;
  int fd = g_signalFd.load();
  if (fd >= 0) {
    char c = 's';
    [[maybe_unused]] ssize_t n = ::write(fd, &c, 1);
  }
}

}  // namespace

CloseSignals::CloseSignals(int wakeFd) : outerFd_(g_signalFd.load()) {
  g_signalFd = wakeFd;
  if (g_depth++ > 0) {
    // A request that came before this one was made must still wake its reader.
    if (g_closeSignal && wakeFd >= 0) {
      char c = 's';
      [[maybe_unused]] ssize_t n = ::write(wakeFd, &c, 1);
    }
    return;
  }
  g_closeSignal = 0;
  struct sigaction sa {};
  sa.sa_handler = OnCloseSignal;
  sigemptyset(&sa.sa_mask);
  ::sigaction(SIGINT, &sa, &oldInt_);
  ::sigaction(SIGTERM, &sa, &oldTerm_);
  ::sigaction(SIGHUP, &sa, &oldHup_);
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  ::sigaction(SIGPIPE, &ignore, &oldPipe_);
  sigset_t closeSignals;
  sigemptyset(&closeSignals);
  sigaddset(&closeSignals, SIGINT);
  sigaddset(&closeSignals, SIGTERM);
  sigaddset(&closeSignals, SIGHUP);
  ::pthread_sigmask(SIG_UNBLOCK, &closeSignals, &oldMask_);
}

CloseSignals::~CloseSignals() {
  g_signalFd = outerFd_;
  if (--g_depth > 0) return;
  ::pthread_sigmask(SIG_SETMASK, &oldMask_, nullptr);
  ::sigaction(SIGINT, &oldInt_, nullptr);
  ::sigaction(SIGTERM, &oldTerm_, nullptr);
  ::sigaction(SIGHUP, &oldHup_, nullptr);
  ::sigaction(SIGPIPE, &oldPipe_, nullptr);
}

bool CloseSignals::TakeRequest() {
  if (!g_closeSignal) return false;
  g_closeSignal = 0;
  return true;
}

}  // namespace vorex
