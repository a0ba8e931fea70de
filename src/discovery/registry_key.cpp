#include "discovery/registry_key.h"

#include <cstring>
#include <utility>

namespace vorex {

CRegistryKey::CRegistryKey(Registry& registry, RegHandle hRootKey, std::string strKeyPath, std::uint32_t samDesired)
    : m_hRootKey(hRootKey), m_samDesired(samDesired), m_strKeyPath(std::move(strKeyPath)), registry_(registry) {
  RegHandle key = 0;
  m_lResult = registry_.OpenKey(m_hRootKey, m_strKeyPath, samDesired, &key);
  if (m_lResult == kErrorSuccess) m_hKey = key;
}

CRegistryKey::~CRegistryKey() {
  if (m_hKey) registry_.CloseKey(m_hKey);
}

long CRegistryKey::QueryValue(const std::string& strPath, std::uint8_t* pData, std::uint32_t* pcbData,
                              const std::uint8_t* pDefault, std::uint32_t cbDefault, std::uint32_t dwDefaultType,
                              bool bCreate) {
  if (m_lResult != kErrorSuccess) return m_lResult;
  std::size_t slash = strPath.rfind('\\');
  RegHandle key = m_hKey;
  RegHandle subKey = 0;
  std::string valueName = strPath;
  if (slash != std::string::npos) {
    valueName = strPath.substr(slash + 1);
    std::string subPath = strPath.substr(0, slash);
    long status = bCreate ? registry_.CreateKey(m_hKey, subPath, m_samDesired | kKeyReadWrite, &subKey)
                          : registry_.OpenKey(m_hKey, subPath, m_samDesired, &subKey);
    if (status != kErrorSuccess) return status;
    key = subKey;
  }
  long result = registry_.QueryValue(key, valueName, &m_dwType, pData, pcbData);
  if (result != kErrorSuccess && pDefault) {
    *pcbData = cbDefault;
    if (cbDefault) std::memmove(pData, pDefault, cbDefault);
    if (bCreate) result = registry_.SetValue(key, valueName, dwDefaultType, pData, cbDefault);
  }
  if (subKey) registry_.CloseKey(subKey);
  return result;
}

bool ReadRegistryText(CRegistryKey& key, const std::string& path, std::string* text) {
  std::uint8_t buffer[512] = {};
  std::uint32_t count = 511;
  if (key.QueryValue(path, buffer, &count, buffer, 0, kRegSz, false) != kErrorSuccess) return false;
  buffer[count] = 0;
  *text = reinterpret_cast<const char*>(buffer);
  return true;
}

}  // namespace vorex
