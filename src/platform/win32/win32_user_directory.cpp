#include "platform/win32/win32_user_directory.h"

#include <string>

#include "base/paths.h"
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

// The profile folder that the registry records for the account, expanded.
std::string ProfilePath(Registry& registry, RegHandle list, const std::string& sid) {
  RegHandle key = 0;
  if (registry.OpenKey(list, sid, kKeyRead, &key) != kErrorSuccess) return {};
  char value[MAX_PATH * 4] = {};
  std::uint32_t size = sizeof value - 1;
  std::uint32_t type = 0;
  std::string path;
  if (registry.QueryValue(key, "ProfileImagePath", &type, reinterpret_cast<std::uint8_t*>(value), &size) ==
          kErrorSuccess &&
      (type == REG_SZ || type == REG_EXPAND_SZ))
    path = type == REG_EXPAND_SZ ? Expanded(value) : std::string(value);
  registry.CloseKey(key);
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

std::string RunnerName() {
  char name[256] = {};
  DWORD size = sizeof name;
  return GetUserNameA(name, &size) ? std::string(name) : std::string();
}

bool IsServiceAccount(const std::string& sid) {
  return sid == "S-1-5-18" || sid == "S-1-5-19" || sid == "S-1-5-20";
}

}  // namespace

std::vector<UserHome> Win32UserDirectory::Homes(bool everyone) {
  std::vector<UserHome> homes;
  std::string self = RunnerSid();
  homes.push_back({{}, KnownDocuments(), true, RunnerName()});
  RegHandle list = 0;
  if (registry_.OpenKey(kHkeyLocalMachine, kProfileList, kKeyRead | kKeyWow6464Key, &list) != kErrorSuccess)
    return homes;
  std::string sid;
  for (std::uint32_t i = 0; registry_.EnumKey(list, i, &sid) == kErrorSuccess; ++i) {
    if (IsServiceAccount(sid)) continue;
    bool isRunner = !self.empty() && sid == self;
    if (!isRunner && !everyone) continue;
    std::string path = ProfilePath(registry_, list, sid);
    if (path.empty()) continue;
    if (isRunner) {
      homes.front().home = path;
    } else {
      homes.push_back({path, {}, false, NameOf(path, PathRules::Windows())});
    }
  }
  registry_.CloseKey(list);
  return homes;
}

}  // namespace vorex
