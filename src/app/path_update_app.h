#pragma once
// Start-up: read the command line, show the usage message or run the progress dialog.
#include <functional>
#include <memory>
#include <string>

#include "platform/dialog_window.h"
#include "platform/services.h"
#include "ui/path_update_dlg.h"

namespace vorex {

struct AppServices {
  PlatformServices platform;
  std::function<std::unique_ptr<DialogWindow>()> makeWindow;
  // A box with no owner and one OK button.
  std::function<void(const std::string& text, const std::string& caption)> showUsage;
  CPathUpdateDlg::UpdateJob job;
};

class CPathUpdateApp {
 public:
  explicit CPathUpdateApp(AppServices services) : services_(std::move(services)) {}
  // Returns the process's exit status.
  int InitInstance(const std::string& commandLine);

 private:
  AppServices services_;
};

}  // namespace vorex
