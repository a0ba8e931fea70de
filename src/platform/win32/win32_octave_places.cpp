#include "platform/win32/win32_octave_places.h"

#include <algorithm>
#include <string>

#include "platform/win32/windows_api.h"

namespace vorex {

namespace {

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

}  // namespace

std::vector<std::string> Win32OctavePlaces::Prefixes() {
  std::vector<std::string> installations;
  for (const char* name : {"ProgramW6432", "ProgramFiles", "ProgramFiles(x86)"}) {
    std::string folder = Environment(name);
    if (folder.empty()) continue;
    for (const std::string& dir : InstalledUnder(folder)) installations.push_back(dir);
  }
  std::vector<std::string> prefixes;
  for (const std::string& dir : installations) {
    prefixes.push_back(dir + "\\mingw64");
    prefixes.push_back(dir + "\\mingw32");
    prefixes.push_back(dir);
  }
  return prefixes;
}

}  // namespace vorex
