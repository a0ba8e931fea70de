#include "ui/win32/win32_dialog_window.h"

#include "ui/win32/resource.h"

namespace vorex {

namespace {
constexpr UINT kApplyChanges = WM_APP + 1;
// The worker's detail-line changes (one per directory the scan lists) are drawn by this timer,
// about 20 times a second, rather than posted one by one.
constexpr UINT_PTR kDrawTimer = 0x7F01;
constexpr UINT kDrawMilliseconds = 50;
}  // namespace

Win32DialogWindow::Win32DialogWindow(HINSTANCE instance) : instance_(instance) {}

INT_PTR CALLBACK Win32DialogWindow::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    reinterpret_cast<Win32DialogWindow*>(lParam)->hwnd_ = hwnd;
  }
  auto* self = reinterpret_cast<Win32DialogWindow*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  return self ? self->HandleMessage(message, wParam, lParam) : FALSE;
}

INT_PTR Win32DialogWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
  if (HandleWorkerEndTick(message)) return TRUE;
  switch (message) {
    case WM_INITDIALOG:
      return events_->OnInitDialog() ? TRUE : FALSE;
    case WM_TIMER:
      if (wParam == kDrawTimer) {
        ApplyPendingChanges();
        return TRUE;
      }
      events_->OnTimer(static_cast<unsigned>(wParam));
      return TRUE;
    case WM_COMMAND:
      return HandleCommand(wParam);
    case WM_CLOSE:
      if (!ended_) events_->OnCloseRequest();
      return TRUE;
    case kApplyChanges:
      ApplyPendingChanges();
      return TRUE;
    default:
      return FALSE;
  }
}

INT_PTR Win32DialogWindow::HandleCommand(WPARAM wParam) {
  if (ended_) return TRUE;
  // Enter reaches the default button, Cancel; Escape and a close request arrive as IDCANCEL.
  if (LOWORD(wParam) == IDC_CANCEL_BUTTON || LOWORD(wParam) == IDOK) {
    if (HIWORD(wParam) == BN_CLICKED) events_->OnCancelButton();
    return TRUE;
  }
  if (LOWORD(wParam) == IDCANCEL) {
    events_->OnCloseRequest();
    return TRUE;
  }
  return FALSE;
}

int Win32DialogWindow::RunModal(DialogEvents& events) {
  events_ = &events;
  uiThreadId_ = GetCurrentThreadId();
  HWND hwnd = CreateDialogParamA(instance_, MAKEINTRESOURCEA(IDD_PROGRESS_DIALOG), nullptr, DialogProc,
                                 reinterpret_cast<LPARAM>(this));
  if (!hwnd) return -1;
  ::SetTimer(hwnd_, kDrawTimer, kDrawMilliseconds, nullptr);
  MSG msg;
  while (!ended_) {
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) break;
    if (!IsDialogMessageA(hwnd_, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  ShowWindow(hwnd_, SW_HIDE);
  events.OnDestroyWindow();
  ApplyPendingChanges();
  DestroyWindow(hwnd_);
  hwnd_ = nullptr;
  events_ = nullptr;
  return result_;
}

void Win32DialogWindow::ApplyPendingChanges() {
  std::map<int, std::string> texts;
  std::map<int, bool> enables;
  {
    std::lock_guard lock(mutex_);
    texts.swap(pendingTexts_);
    enables.swap(pendingEnables_);
    updatePosted_ = false;
  }
  if (!hwnd_) return;
  for (const auto& [id, text] : texts) SetDlgItemTextA(hwnd_, id, text.c_str());
  for (const auto& [id, enable] : enables) EnableWindow(GetDlgItem(hwnd_, id), enable ? TRUE : FALSE);
}

void Win32DialogWindow::QueueChange(const std::function<void()>& store) {
  bool post;
  {
    std::lock_guard lock(mutex_);
    store();
    post = !updatePosted_;
    updatePosted_ = true;
  }
  if (post) PostMessageA(hwnd_, kApplyChanges, 0, 0);
}

void Win32DialogWindow::SetItemText(int id, const std::string& text) {
  if (OnUiThread()) {
    SetDlgItemTextA(hwnd_, id, text.c_str());
    return;
  }
  if (id == IDC_DETAIL_TEXT) {
    std::lock_guard lock(mutex_);
    pendingTexts_[id] = text;  // the draw timer shows the latest
    return;
  }
  QueueChange([&] { pendingTexts_[id] = text; });
}

void Win32DialogWindow::EnableItem(int id, bool enable) {
  if (OnUiThread()) {
    EnableWindow(GetDlgItem(hwnd_, id), enable ? TRUE : FALSE);
    return;
  }
  QueueChange([&] { pendingEnables_[id] = enable; });
}

int Win32DialogWindow::MessageBox(const std::string& text, const std::string& caption, unsigned style) {
  // Changes the worker made just before must be on screen behind the box.
  if (OnUiThread()) ApplyPendingChanges();
  return MessageBoxA(hwnd_, text.c_str(), caption.c_str(), style);
}

}  // namespace vorex
