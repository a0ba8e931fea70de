#pragma once
#include <algorithm>
#include <vector>

#include "platform/dialog_window.h"
#include "platform/win32/windows_api.h"

namespace vorex {

// What both Windows windows share: the window that carries the poll timer, the end of the modal
// loop, and the worker's end as an event that the close-time wait serves messages on.
class Win32ModalWindow : public DialogWindow {
 public:
  Win32ModalWindow() : workerEnded_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  ~Win32ModalWindow() override {
    if (hwnd_) DestroyWindow(hwnd_);
    if (workerEnded_) CloseHandle(workerEnded_);
  }
  Win32ModalWindow(const Win32ModalWindow&) = delete;
  Win32ModalWindow& operator=(const Win32ModalWindow&) = delete;

  bool SetTimer(unsigned id, unsigned milliseconds) override {
    if (::SetTimer(hwnd_, id, milliseconds, nullptr) == 0) return false;
    if (std::find(timers_.begin(), timers_.end(), id) == timers_.end()) timers_.push_back(id);
    return true;
  }
  void KillTimer(unsigned id) override {
    ::KillTimer(hwnd_, id);
    timers_.erase(std::remove(timers_.begin(), timers_.end(), id), timers_.end());
  }
  void EndDialog(int result) override {
    if (ended_) return;
    ended_ = true;
    result_ = result;
    PostMessageA(hwnd_, WM_NULL, 0, 0);  // wakes the loop
  }
  void NotifyWorkerEnded() override {
    // The run is over: the poll timer need not wait out its period to see that.
    PostMessageA(hwnd_, kWorkerEndTick, 0, 0);
    SetEvent(workerEnded_);
  }
  // Serves this thread's messages until the worker has ended, so whatever the worker sends to
  // our windows meanwhile is handled and it can always finish.
  void WaitForWorker() override {
    for (;;) {
      DWORD r = MsgWaitForMultipleObjects(1, &workerEnded_, FALSE, INFINITE, QS_ALLINPUT | QS_SENDMESSAGE);
      if (r == WAIT_OBJECT_0 || r == WAIT_FAILED) return;
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
  }

 protected:
  static constexpr UINT kWorkerEndTick = WM_APP + 3;
  // For the window procedure: the worker's end is an early tick of every timer still set.
  bool HandleWorkerEndTick(UINT message) {
    if (message != kWorkerEndTick) return false;
    std::vector<unsigned> ids = timers_;
    for (unsigned id : ids)
      if (!ended_ && events_) events_->OnTimer(id);
    return true;
  }

  HWND hwnd_ = nullptr;
  DialogEvents* events_ = nullptr;
  bool ended_ = false;
  int result_ = 0;
  HANDLE workerEnded_;
  std::vector<unsigned> timers_;  // the dialog's timers; the UI thread's alone
};

}  // namespace vorex
