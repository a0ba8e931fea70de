#pragma once
// Ctrl-C and SIGTERM as a request to close the terminal dialog. While a CloseSignals object
// lives, either signal sets a flag and writes one byte to the given descriptor (so the UI loop's
// poll wakes); nothing else happens in the handler. Only one may live at a time.
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
  sigset_t oldMask_{};
};

}  // namespace vorex
