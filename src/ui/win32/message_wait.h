#pragma once
#include "platform/win32/windows_api.h"

namespace vorex {

// Waits until `event` is signalled while serving this thread's messages, so that whatever the
// awaited thread sends to our windows meanwhile is handled and it can always finish.
inline void WaitServingMessages(HANDLE event) {
  for (;;) {
    DWORD r = MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT | QS_SENDMESSAGE);
    if (r == WAIT_OBJECT_0 || r == WAIT_FAILED) return;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
}

}  // namespace vorex
