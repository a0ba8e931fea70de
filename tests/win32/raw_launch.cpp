// Test helper under Wine: starts a program with the exact command line held in the environment
// variable VOREX_RAW_LINE (Wine would re-quote arguments) and returns its exit code.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main() {
  const char* line = std::getenv("VOREX_RAW_LINE");
  if (!line) return 120;
  std::string copy = line;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, copy.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    std::printf("CreateProcess failed: %lu\n", GetLastError());
    return 121;
  }
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 122;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return static_cast<int>(code);
}
