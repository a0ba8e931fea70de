#pragma once
#include <functional>
#include <string>

#include "platform/dialog_window.h"
#include "platform/win32/windows_api.h"

namespace vorex {

// The window of an unattended run (-silent on): never shown, no box. A hidden top-level window
// carries the poll timer and hears the end of the session (WM_QUERYENDSESSION, WM_ENDSESSION);
// a console Ctrl-C or Ctrl-Break, when we are attached to one, is a close request too. The
// boxes' texts go to `writeError`.
class Win32SilentWindow : public DialogWindow {
 public:
  Win32SilentWindow(HINSTANCE instance, std::function<void(const std::string&)> writeError);
  ~Win32SilentWindow() override;

  int RunModal(DialogEvents& events) override;
  void SetItemText(int, const std::string&) override {}
  void EnableItem(int, bool) override {}
  int MessageBox(const std::string& text, const std::string& caption, unsigned style) override;
  void ShowProblem(const std::string& line) override;
  bool SetTimer(unsigned id, unsigned milliseconds) override;
  void KillTimer(unsigned id) override;
  void EndDialog(int result) override;
  void NotifyWorkerEnded() override;
  void WaitForWorker() override;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static BOOL WINAPI ConsoleHandler(DWORD event);

  HINSTANCE instance_;
  std::function<void(const std::string&)> writeError_;
  HWND hwnd_ = nullptr;
  DialogEvents* events_ = nullptr;
  bool ended_ = false;
  int result_ = 0;
  HANDLE workerEnded_;
};

}  // namespace vorex
