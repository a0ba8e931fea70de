#pragma once
#include <functional>
#include <string>

#include "platform/win32/windows_api.h"
#include "ui/win32/win32_modal_window.h"

namespace vorex {

// The window of an unattended run (-silent on): never shown, no box. A hidden top-level window
// carries the poll timer and hears the end of the session (WM_QUERYENDSESSION, WM_ENDSESSION);
// a console Ctrl-C or Ctrl-Break, when we are attached to one, is a close request too. The
// boxes' texts go to `writeError`.
class Win32SilentWindow : public Win32ModalWindow {
 public:
  Win32SilentWindow(HINSTANCE instance, std::function<void(const std::string&)> writeError);

  int RunModal(DialogEvents& events) override;
  void SetItemText(int, const std::string&) override {}
  void EnableItem(int, bool) override {}
  int MessageBox(const std::string& text, const std::string& caption, unsigned style) override;
  void ShowProblem(const std::string& line) override;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static BOOL WINAPI ConsoleHandler(DWORD event);

  HINSTANCE instance_;
  std::function<void(const std::string&)> writeError_;
};

}  // namespace vorex
