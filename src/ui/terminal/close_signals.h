#pragma once
// Ctrl-C, SIGTERM and SIGHUP (the session that started us went away: an ssh connection that
// dropped) as a request to close the terminal dialog. While a CloseSignals object lives, each
// sets a flag and writes one byte to the given descriptor (so the UI loop's poll wakes); nothing
// else happens in the handler, so a rewrite under way finishes. A write to a pipe nobody reads
// any more fails instead of ending the process. They nest: the program hears requests from the
// first line of main (with no descriptor to wake), the window later with its own, and a request
// that came before the window's wakes it at once.
#include <csignal>

namespace vorex {

class CloseSignals {
 public:
  // A parent may start us with those signals blocked (some job runners do); they are unblocked
  // here, or a close request would wait forever. Threads started meanwhile inherit the mask.
  explicit CloseSignals(int wakeFd);
  ~CloseSignals();
  CloseSignals(const CloseSignals&) = delete;
  CloseSignals& operator=(const CloseSignals&) = delete;

  // True once for each close request that arrived since the last call.
  static bool TakeRequest();

 private:
  struct sigaction oldInt_ {};
  struct sigaction oldTerm_ {};
  struct sigaction oldHup_ {};
  struct sigaction oldPipe_ {};
  sigset_t oldMask_{};
  int outerFd_;
};

}  // namespace vorex
