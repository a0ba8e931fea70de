#include "platform/win32/win32_user_directory.h"

#include <string>

#include "platform/win32/windows_api.h"

#include <knownfolders.h>
#include <sddl.h>
#include <shlobj.h>

namespace vorex {

namespace {

constexpr char kProfileList[] = R"(SOFTWARE\Microsoft\Windows NT\CurrentVersion\ProfileList)";

// The running account's SID as text; empty when it cannot be read.
std::string RunnerSid() {
  std::string text;
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return text;
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::string buffer(size, '\0');
  char* sid = nullptr;
  if (size > 0 && GetTokenInformation(token, TokenUser, buffer.data(), size, &size) &&
      ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &sid)) {
    text = sid;
    LocalFree(sid);
  }
  CloseHandle(token);
  return text;
}

std::string Expanded(const std::string& value) {
  char out[MAX_PATH * 4] = {};
  DWORD n = ExpandEnvironmentStringsA(value.c_str(), out, sizeof out);
  return n > 0 && n <= sizeof out ? std::string(out) : value;
}

std::string ProfilePath(HKEY list, const std::string& sid) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(list, sid.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
  char value[MAX_PATH * 4] = {};
  DWORD size = sizeof value - 1;
  DWORD type = 0;
  std::string path;
  if (RegQueryValueExA(key, "ProfileImagePath", nullptr, &type, reinterpret_cast<BYTE*>(value), &size) ==
          ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ))
    path = type == REG_EXPAND_SZ ? Expanded(value) : std::string(value);
  RegCloseKey(key);
  return path;
}

// The Documents folder as the shell knows it: moved, redirected or synced.
std::string KnownDocuments() {
  PWSTR wide = nullptr;
  std::string path;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Documents, 0, nullptr, &wide)) && wide) {
    char narrow[MAX_PATH * 4] = {};
    if (WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof narrow, nullptr, nullptr) > 0) path = narrow;
  }
  CoTaskMemFree(wide);
  return path;
}

bool IsServiceAccount(const std::string& sid) {
  return sid == "S-1-5-18" || sid == "S-1-5-19" || sid == "S-1-5-20";
}

}  // namespace

std::vector<UserHome> Win32UserDirectory::Homes(bool everyone) {
  std::vector<UserHome> homes;
  std::string self = RunnerSid();
  homes.push_back({{}, KnownDocuments(), true});
  HKEY list = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProfileList, 0, KEY_READ | KEY_WOW64_64KEY, &list) != ERROR_SUCCESS)
    return homes;
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    if (RegEnumKeyExA(list, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    std::string sid(name, size);
    if (IsServiceAccount(sid)) continue;
    bool isRunner = !self.empty() && sid == self;
    if (!isRunner && !everyone) continue;
    std::string path = ProfilePath(list, sid);
    if (path.empty()) continue;
    if (isRunner) {
      homes.front().home = path;
    } else {
      homes.push_back({path, {}, false});
    }
  }
  RegCloseKey(list);
  return homes;
}

}  // namespace vorex
