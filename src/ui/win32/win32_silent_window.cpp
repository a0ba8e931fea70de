#include "ui/win32/win32_silent_window.h"

#include <atomic>

namespace vorex {

namespace {
constexpr UINT kCloseRequest = WM_APP + 2;
constexpr char kClassName[] = "VorexSilentWindow";
// The window that a console event is handed to; the handler runs on a thread of its own.
std::atomic<HWND> g_silentWindow{nullptr};
}  // namespace

Win32SilentWindow::Win32SilentWindow(HINSTANCE instance, std::function<void(const std::string&)> writeError)
    : instance_(instance), writeError_(std::move(writeError)) {}

BOOL WINAPI Win32SilentWindow::ConsoleHandler(DWORD event) {
  HWND hwnd = g_silentWindow.load();
  if (!hwnd) return FALSE;
  PostMessageA(hwnd, kCloseRequest, 0, 0);
  // A console that closes, or a log-off or shutdown, ends the process once this returns; give
  // the run a moment to stop and report.
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) Sleep(3000);
  return TRUE;
}

LRESULT CALLBACK Win32SilentWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Win32SilentWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (self && self->events_) {
    if (self->HandleWorkerEndTick(message)) return 0;
    switch (message) {
      case WM_TIMER:
        self->events_->OnTimer(static_cast<unsigned>(wParam));
        return 0;
      case WM_QUERYENDSESSION:
      case kCloseRequest:
      case WM_CLOSE:
        if (!self->ended_) self->events_->OnCloseRequest();
        return message == WM_QUERYENDSESSION ? TRUE : 0;
      case WM_ENDSESSION:
        if (wParam && !self->ended_) self->events_->OnCloseRequest();
        return 0;
      default:
        break;
    }
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

int Win32SilentWindow::RunModal(DialogEvents& events) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance_;
  wc.lpszClassName = kClassName;
  RegisterClassA(&wc);  // fails harmlessly when already registered
  // Hidden and top-level: a message-only window would not hear the end of the session.
  hwnd_ = CreateWindowExA(WS_EX_TOOLWINDOW, kClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance_, this);
  if (!hwnd_) return -1;
  events_ = &events;
  g_silentWindow = hwnd_;
  SetConsoleCtrlHandler(ConsoleHandler, TRUE);
  events.OnInitDialog();
  MSG msg;
  while (!ended_) {
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) break;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  events.OnDestroyWindow();
  SetConsoleCtrlHandler(ConsoleHandler, FALSE);
  g_silentWindow = nullptr;
  events_ = nullptr;
  DestroyWindow(hwnd_);
  hwnd_ = nullptr;
  return result_;
}

int Win32SilentWindow::MessageBox(const std::string& text, const std::string& caption, unsigned /*style*/) {
  if (writeError_) writeError_("[" + caption + "]\r\n" + text + (text.empty() || text.back() != '\n' ? "\r\n" : ""));
  return IDOK;
}

void Win32SilentWindow::ShowProblem(const std::string& line) {
  if (writeError_) writeError_(line + "\r\n");
}

}  // namespace vorex
