// The Windows program: the portable core with the Win32 registry, disks and dialog.
#include <string>

#include "app/path_update_app.h"
#include "platform/thread_sleeper.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/windows_api.h"
#include "run/update_run.h"
#include "ui/win32/win32_dialog_window.h"

namespace {

// The application's title: the executable's file name without its extension.
std::string ApplicationTitle() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string title = path;
  title = title.substr(title.find_last_of("\\/") + 1);
  if (std::size_t dot = title.rfind('.'); dot != std::string::npos && dot > 0) title.resize(dot);
  return title;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  using namespace vorex;
  Win32Registry registry;
  Win32FileSystem fs;
  ThreadSleeper sleeper(ThreadSleeper::PercentFromEnvironment());
  AppServices services{
      registry,
      fs,
      sleeper,
      PathRules::Windows(),
      ApplicationTitle(),
      [instance] { return std::make_unique<Win32DialogWindow>(instance); },
      [](const std::string& text, const std::string& caption) {
        MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK);
      },
      [](CPathUpdateDlg& dlg) { RunUpdate(dlg); },
  };
  return CPathUpdateApp(std::move(services)).InitInstance(GetCommandLineA());
}
