#include "platform/win32/win32_registry.h"

#include "platform/win32/windows_api.h"

namespace vorex {

namespace {
// The core names the root by its 32-bit value; 64-bit Windows sign-extends the handle.
HKEY ToHkey(RegHandle handle) {
  if (handle == kHkeyClassesRoot) return HKEY_CLASSES_ROOT;
  if (handle == kHkeyLocalMachine) return HKEY_LOCAL_MACHINE;
  return reinterpret_cast<HKEY>(handle);
}
}  // namespace

long Win32Registry::OpenKey(RegHandle parent, const std::string& subKey, std::uint32_t access, RegHandle* key) {
  HKEY out = nullptr;
  LONG status = RegOpenKeyExA(ToHkey(parent), subKey.c_str(), 0, access, &out);
  if (status == ERROR_SUCCESS) *key = reinterpret_cast<RegHandle>(out);
  return status;
}

long Win32Registry::CreateKey(RegHandle parent, const std::string& subKey, std::uint32_t access, RegHandle* key) {
  HKEY out = nullptr;
  char noClass[1] = "";
  LONG status = RegCreateKeyExA(ToHkey(parent), subKey.c_str(), 0, noClass, REG_OPTION_NON_VOLATILE, access, nullptr,
                                &out, nullptr);
  if (status == ERROR_SUCCESS) *key = reinterpret_cast<RegHandle>(out);
  return status;
}

long Win32Registry::QueryValue(RegHandle key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                               std::uint32_t* size) {
  DWORD t = 0;
  DWORD n = size ? *size : 0;
  LONG status = RegQueryValueExA(ToHkey(key), name.c_str(), nullptr, &t, data, size ? &n : nullptr);
  if (type) *type = t;
  if (size) *size = n;
  return status;
}

long Win32Registry::SetValue(RegHandle key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                             std::uint32_t size) {
  return RegSetValueExA(ToHkey(key), name.c_str(), 0, type, data, size);
}

long Win32Registry::EnumKey(RegHandle key, std::uint32_t index, std::string* name) {
  char buf[256] = {};  // the longest key name the registry allows is 255 characters
  DWORD size = sizeof buf;
  LONG status = RegEnumKeyExA(ToHkey(key), index, buf, &size, nullptr, nullptr, nullptr, nullptr);
  if (status == ERROR_SUCCESS) name->assign(buf, size);
  return status;
}

long Win32Registry::CloseKey(RegHandle key) {
  return RegCloseKey(ToHkey(key));
}

}  // namespace vorex
