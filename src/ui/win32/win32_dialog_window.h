#pragma once
#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "platform/win32/windows_api.h"
#include "ui/win32/win32_modal_window.h"

namespace vorex {

// The real progress dialog from template 102. The worker's text and button changes are posted
// to the UI thread (the latest text wins), so the worker never waits for a busy UI thread; the
// close-time wait pumps messages until the worker has ended.
class Win32DialogWindow : public Win32ModalWindow {
 public:
  explicit Win32DialogWindow(HINSTANCE instance);

  int RunModal(DialogEvents& events) override;
  void SetItemText(int id, const std::string& text) override;
  void EnableItem(int id, bool enable) override;
  int MessageBox(const std::string& text, const std::string& caption, unsigned style) override;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR HandleCommand(WPARAM wParam);
  void ApplyPendingChanges();
  // Stores a worker's change under the lock and posts one message to apply what is pending.
  void QueueChange(const std::function<void()>& store);
  bool OnUiThread() const { return GetCurrentThreadId() == uiThreadId_; }

  HINSTANCE instance_;
  DWORD uiThreadId_ = 0;

  std::mutex mutex_;
  std::map<int, std::string> pendingTexts_;
  std::map<int, bool> pendingEnables_;
  bool updatePosted_ = false;
};

}  // namespace vorex
