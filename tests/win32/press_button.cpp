// Test helper under Wine: waits for a window of this prefix and acts on it, as a user would.
//   press_button <timeout-ms> box              press OK on the first message box; print its caption and text
//   press_button <timeout-ms> cancel           click the progress dialog's Cancel button
//   press_button <timeout-ms> escape           send Escape (IDCANCEL) to the progress dialog
//   press_button <timeout-ms> dialog [text]    print the dialog's texts and size once it is shown
//                                              (and its status line holds the text, when given)
// Exits 0 when it acted, 1 when no such window appeared in time.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct Search {
  bool wantBox;
  HWND found = nullptr;
};

bool IsDialogClass(HWND hwnd) {
  char cls[64] = {};
  GetClassNameA(hwnd, cls, sizeof cls);
  return std::strcmp(cls, "#32770") == 0;
}

BOOL CALLBACK FindTopLevel(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  if (!IsWindowVisible(hwnd) || !IsDialogClass(hwnd)) return TRUE;
  bool isProgress = GetDlgItem(hwnd, 1001) != nullptr && GetDlgItem(hwnd, 1002) != nullptr;
  if (isProgress != !search->wantBox) return TRUE;
  search->found = hwnd;
  return FALSE;
}

BOOL CALLBACK CollectText(HWND hwnd, LPARAM param) {
  char cls[64] = {};
  GetClassNameA(hwnd, cls, sizeof cls);
  if (_stricmp(cls, "Static") == 0) {
    char text[4096] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    if (text[0]) *reinterpret_cast<std::string*>(param) += text;
  }
  return TRUE;
}

HWND WaitFor(bool box, DWORD timeout) {
  for (DWORD waited = 0; waited <= timeout; waited += 20) {
    Search search{box};
    EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&search));
    if (search.found) return search.found;
    Sleep(20);
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  DWORD timeout = static_cast<DWORD>(std::strtoul(argv[1], nullptr, 10));
  std::string action = argv[2];
  HWND hwnd = WaitFor(action == "box", timeout);
  if (hwnd && action == "dialog" && argc > 3) {
    // Wait for the status line too.
    for (DWORD waited = 0;; waited += 20) {
      char status[512] = {};
      GetDlgItemTextA(hwnd, 1002, status, sizeof status);
      if (std::strstr(status, argv[3])) break;
      if (waited > timeout) {
        std::printf("status never read: %s (last: %s)\n", argv[3], status);
        return 1;
      }
      Sleep(20);
    }
  }
  if (!hwnd) {
    std::printf("no window\n");
    return 1;
  }
  if (action == "box") {
    char caption[256] = {};
    GetWindowTextA(hwnd, caption, sizeof caption);
    std::string text;
    EnumChildWindows(hwnd, CollectText, reinterpret_cast<LPARAM>(&text));
    std::printf("caption=%s\ntext=%s\n", caption, text.c_str());
    std::fflush(stdout);
    PostMessageA(hwnd, WM_COMMAND, IDOK, 0);
  } else if (action == "cancel") {
    PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(1001, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hwnd, 1001)));
  } else if (action == "escape") {
    PostMessageA(hwnd, WM_COMMAND, IDCANCEL, 0);
  } else if (action == "dialog") {
    char status[512] = {}, detail[512] = {};
    GetDlgItemTextA(hwnd, 1002, status, sizeof status);
    GetDlgItemTextA(hwnd, 1000, detail, sizeof detail);
    RECT r{};
    GetWindowRect(hwnd, &r);
    LONG style = GetWindowLongA(hwnd, GWL_STYLE);
    std::printf("status=%s\ndetail=%s\nsize=%ldx%ld\ncaption=%d\n", status, detail, r.right - r.left, r.bottom - r.top,
                (style & WS_CAPTION) == WS_CAPTION ? 1 : 0);
  } else {
    return 2;
  }
  return 0;
}
