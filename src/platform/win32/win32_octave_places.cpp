#include "platform/win32/win32_octave_places.h"

#include <algorithm>
#include <string>

#include "platform/win32/windows_api.h"

namespace vorex {

namespace {

constexpr char kUninstall[] = R"(SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall)";

std::string Environment(const char* name) {
  char value[MAX_PATH * 2] = {};
  DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
  return n > 0 && n < sizeof value ? std::string(value) : std::string();
}

// The Octave-* folders in <programFiles>\GNU Octave, sorted.
std::vector<std::string> InstalledUnder(const std::string& programFiles) {
  std::vector<std::string> found;
  std::string base = programFiles + "\\GNU Octave\\";
  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA((base + "Octave-*").c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return found;
  do {
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) found.push_back(base + data.cFileName);
  } while (FindNextFileA(h, &data));
  FindClose(h);
  std::sort(found.begin(), found.end());
  return found;
}

// The installations Octave's installer recorded in one registry view.
std::vector<std::string> Recorded(REGSAM view) {
  std::vector<std::string> found;
  HKEY list = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstall, 0, KEY_READ | view, &list) != ERROR_SUCCESS) return found;
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    if (RegEnumKeyExA(list, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    std::string key(name, size);
    if (key.rfind("Octave-", 0) != 0 && key != "GNU Octave") continue;
    HKEY entry = nullptr;
    if (RegOpenKeyExA(list, key.c_str(), 0, KEY_READ | view, &entry) != ERROR_SUCCESS) continue;
    char value[MAX_PATH * 2] = {};
    DWORD bytes = sizeof value - 1;
    DWORD type = 0;
    if (RegQueryValueExA(entry, "UninstallString", nullptr, &type, reinterpret_cast<BYTE*>(value), &bytes) ==
            ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
      std::string uninstaller = value;
      if (!uninstaller.empty() && uninstaller.front() == '"') {
        std::size_t close = uninstaller.find('"', 1);
        uninstaller = uninstaller.substr(1, close == std::string::npos ? std::string::npos : close - 1);
      }
      std::size_t slash = uninstaller.find_last_of("\\/");
      if (slash != std::string::npos) found.push_back(uninstaller.substr(0, slash));
    }
    RegCloseKey(entry);
  }
  RegCloseKey(list);
  return found;
}

}  // namespace

std::vector<std::string> Win32OctavePlaces::Prefixes() {
  std::vector<std::string> installations;
  for (const char* name : {"ProgramW6432", "ProgramFiles", "ProgramFiles(x86)"}) {
    std::string folder = Environment(name);
    if (folder.empty()) continue;
    for (const std::string& dir : InstalledUnder(folder)) installations.push_back(dir);
  }
  for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY})
    for (const std::string& dir : Recorded(view)) installations.push_back(dir);
  std::vector<std::string> prefixes;
  for (const std::string& dir : installations) {
    prefixes.push_back(dir + "\\mingw64");
    prefixes.push_back(dir + "\\mingw32");
    prefixes.push_back(dir);
  }
  return prefixes;
}

}  // namespace vorex
