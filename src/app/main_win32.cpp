// The Windows program: the portable core with the Win32 registry, disks and dialog.
#include <string>

#include "app/program.h"
#include "base/paths.h"
#include "platform/thread_sleeper.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/windows_api.h"
#include "ui/win32/win32_dialog_window.h"

namespace {

std::string ApplicationTitle() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return vorex::FileStem(path, vorex::PathRules::Windows());
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  using namespace vorex;
  Win32Registry registry;
  Win32FileSystem fs;
  ThreadSleeper sleeper(ThreadSleeper::PercentFromEnvironment());
  return RunProgram({{registry, fs, sleeper, PathRules::Windows(), ApplicationTitle(), {}},
                     [instance] { return std::make_unique<Win32DialogWindow>(instance); },
                     [](const std::string& text, const std::string& caption) {
                       MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK);
                     }},
                    GetCommandLineA());
}
