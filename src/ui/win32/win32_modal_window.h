#pragma once
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
    return ::SetTimer(hwnd_, id, milliseconds, nullptr) != 0;
  }
  void KillTimer(unsigned id) override { ::KillTimer(hwnd_, id); }
  void EndDialog(int result) override {
    if (ended_) return;
    ended_ = true;
    result_ = result;
    PostMessageA(hwnd_, WM_NULL, 0, 0);  // wakes the loop
  }
  void NotifyWorkerEnded() override { SetEvent(workerEnded_); }
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
  HWND hwnd_ = nullptr;
  DialogEvents* events_ = nullptr;
  bool ended_ = false;
  int result_ = 0;
  HANDLE workerEnded_;
};

}  // namespace vorex
