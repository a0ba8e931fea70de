// The Windows program: the portable core with the Win32 registry, disks and dialog.
#include <string>

#include "app/program.h"
#include "base/paths.h"
#include "platform/thread_sleeper.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_octave_places.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_station.h"
#include "platform/win32/win32_user_directory.h"
#include "platform/win32/windows_api.h"
#include "ui/win32/win32_dialog_window.h"
#include "ui/win32/win32_silent_window.h"

namespace {

std::string ApplicationTitle() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return vorex::FileStem(path, vorex::PathRules::Windows());
}

// Standard error as the parent left it (redirected to a file or a pipe), else the console of
// the parent when it has one; else nowhere.
HANDLE ErrorOutput() {
  static HANDLE output = [] {
    HANDLE h = GetStdHandle(STD_ERROR_HANDLE);
    if (h && h != INVALID_HANDLE_VALUE) return h;
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return INVALID_HANDLE_VALUE;
    return CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                       nullptr);
  }();
  return output;
}

// False when the handle took less than the whole text; nowhere to write is no failure.
bool WriteTo(HANDLE h, const std::string& text) {
  if (h == INVALID_HANDLE_VALUE) return true;
  DWORD written = 0;
  return WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size();
}

void WriteError(const std::string& text) {
  WriteTo(ErrorOutput(), text);
}

// Standard output as the parent left it, else the parent's console as for standard error.
bool WriteOutput(const std::string& text, std::string* why) {
  static HANDLE output = [] {
    HANDLE h = GetStdHandle(STD_OUTPUT_HANDLE);
    if (h && h != INVALID_HANDLE_VALUE) return h;
    if (ErrorOutput() == INVALID_HANDLE_VALUE) return INVALID_HANDLE_VALUE;
    return CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                       nullptr);
  }();
  if (WriteTo(output, text)) return true;
  char buf[256] = {};
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, GetLastError(), 0, buf,
                           sizeof buf, nullptr);
  *why = std::string(buf, n);
  while (!why->empty() && (why->back() == '\r' || why->back() == '\n' || why->back() == '.')) why->pop_back();
  if (why->empty()) *why = "not every byte was written";
  return false;
}

}  // namespace

// Both Windows programs: vorex.exe, the GUI program, and vorex.com, the console program beside it
// (built from this file with VOREX_CONSOLE), which cmd and PowerShell find first by the plain
// name, wait for, and give standard output and error; it never shows a window.
int RunWindowsProgram(HINSTANCE instance, bool console) {
  using namespace vorex;
  // Whether the run has rights is decided here, once, and handed down.
  Win32Identity identity;
  const bool withRights = identity.RunsWithRights();
  Win32Registry registry;
  Win32FileSystem fs;
  Win32UserDirectory users(registry);
  Win32OctavePlaces octave;
  ThreadSleeper sleeper(ThreadSleeper::PercentFromEnvironment());
  return RunProgram(
      {{registry, fs, identity, sleeper, PathRules::Windows(), ApplicationTitle(), {}, &users, &octave, withRights},
       [instance] { return std::make_unique<Win32DialogWindow>(instance); },
       // The console program answers on the console, never in a box.
       [console](const std::string& text, const std::string& caption) {
         if (console) return WriteError(caption + "\r\n" + text);
         MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK);
       },
       [console](const std::string& text, const std::string& caption) {
         std::string ignored;
         if (console) return static_cast<void>(WriteOutput(text, &ignored));
         MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK);
       },
       [] { return std::make_unique<Win32SilentWindow>(WriteError); },
       WriteError,
       WriteOutput,
       console ? "the console program shows no window" : UnattendedStation()},
      GetCommandLineA());
}

#if defined(VOREX_CONSOLE)
int main() {
  return RunWindowsProgram(GetModuleHandleA(nullptr), true);
}
#else
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  return RunWindowsProgram(instance, false);
}
#endif
