#pragma once
// One open registry key: opened when constructed, closed when destroyed.
#include <cstdint>
#include <string>

#include "platform/registry.h"

namespace vorex {

class CRegistryKey {
 public:
  CRegistryKey(Registry& registry, RegHandle hRootKey, std::string strKeyPath, std::uint32_t samDesired);
  ~CRegistryKey();
  CRegistryKey(const CRegistryKey&) = delete;
  CRegistryKey& operator=(const CRegistryKey&) = delete;

  // Reads "sub-key\value name" (a trailing backslash names the default value; no backslash, a
  // value of this key). On a failed read the fallback, when given, is copied into the buffer
  // and, with bCreate, written to the registry. Returns the platform's status.
  long QueryValue(const std::string& strPath, std::uint8_t* pData, std::uint32_t* pcbData, const std::uint8_t* pDefault,
                  std::uint32_t cbDefault, std::uint32_t dwDefaultType, bool bCreate);

  long m_lResult;
  RegHandle m_hRootKey;
  // Sub-keys are opened with the same access (and view) as the key itself; creating one asks
  // for write access as well.
  std::uint32_t m_samDesired;
  std::string m_strKeyPath;
  RegHandle m_hKey = 0;
  std::uint32_t m_dwType = 0;

 private:
  Registry& registry_;
};

// Reads "sub-key\value name" of `key` as text (up to its first zero byte); values longer than
// 511 bytes fail.
bool ReadRegistryText(CRegistryKey& key, const std::string& path, std::string* text);

}  // namespace vorex
