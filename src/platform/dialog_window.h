#pragma once
// What the progress dialog asks of its window. Item texts, enabling and message boxes may be
// called from the worker thread; everything else is called on the UI thread.
#include <string>

#include "platform/control_ids.h"

namespace vorex {

constexpr int kIdcDetailText = IDC_DETAIL_TEXT;
constexpr int kIdcCancelButton = IDC_CANCEL_BUTTON;
constexpr int kIdcStatusText = IDC_STATUS_TEXT;
constexpr int kIdCancel = 2;

constexpr unsigned kMbOk = 0x0000;
constexpr unsigned kMbIconExclamation = 0x0030;
constexpr unsigned kMbSystemModal = 0x1000;
constexpr unsigned kMessageBoxStyle = kMbOk | kMbIconExclamation | kMbSystemModal;

// The handlers a window calls while it runs a dialog modally.
class DialogEvents {
 public:
  virtual ~DialogEvents() = default;
  virtual bool OnInitDialog() = 0;
  virtual void OnTimer(unsigned id) = 0;
  virtual void OnCancelButton() = 0;
  // Escape, or another request to close the window: by default the dialog just ends.
  virtual void OnCloseRequest() = 0;
  // Called once the modal loop has ended and the window is hidden, before it goes away.
  virtual void OnDestroyWindow() = 0;
};

class DialogWindow {
 public:
  virtual ~DialogWindow() = default;
  // Shows the dialog and runs its loop until EndDialog; returns the value given to it.
  virtual int RunModal(DialogEvents& events) = 0;
  virtual void SetItemText(int id, const std::string& text) = 0;
  virtual void EnableItem(int id, bool enable) = 0;
  // A box owned by the dialog; returns when the user dismisses it.
  virtual int MessageBox(const std::string& text, const std::string& caption, unsigned style) = 0;
  // One line that says why something failed, where a user can still read it after the box (the
  // terminal: standard error). A window without such a place ignores it.
  virtual void ShowProblem(const std::string& /*line*/) {}
  virtual bool SetTimer(unsigned id, unsigned milliseconds) = 0;
  virtual void KillTimer(unsigned id) = 0;
  virtual void EndDialog(int result) = 0;
  // Called by the worker thread as its very last act.
  virtual void NotifyWorkerEnded() = 0;
  // Blocks the UI thread until NotifyWorkerEnded, serving the worker's calls meanwhile.
  virtual void WaitForWorker() = 0;
};

}  // namespace vorex
