#pragma once
#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "platform/dialog_window.h"
#include "platform/win32/windows_api.h"

namespace vorex {

// The real progress dialog from template 102. The worker's text and button changes are posted
// to the UI thread (the latest text wins), so the worker never waits for a busy UI thread; the
// close-time wait pumps messages until the worker has ended.
class Win32DialogWindow : public DialogWindow {
 public:
  explicit Win32DialogWindow(HINSTANCE instance);
  ~Win32DialogWindow() override;

  int RunModal(DialogEvents& events) override;
  void SetItemText(int id, const std::string& text) override;
  void EnableItem(int id, bool enable) override;
  int MessageBox(const std::string& text, const std::string& caption, unsigned style) override;
  bool SetTimer(unsigned id, unsigned milliseconds) override;
  void KillTimer(unsigned id) override;
  void EndDialog(int result) override;
  void NotifyWorkerEnded() override;
  void WaitForWorker() override;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void ApplyPendingChanges();
  // Stores a worker's change under the lock and posts one message to apply what is pending.
  void QueueChange(const std::function<void()>& store);
  bool OnUiThread() const { return GetCurrentThreadId() == uiThreadId_; }

  HINSTANCE instance_;
  HWND hwnd_ = nullptr;
  DWORD uiThreadId_ = 0;
  DialogEvents* events_ = nullptr;
  bool ended_ = false;
  int result_ = 0;
  HANDLE workerEnded_;

  std::mutex mutex_;
  std::map<int, std::string> pendingTexts_;
  std::map<int, bool> pendingEnables_;
  bool updatePosted_ = false;
};

}  // namespace vorex
