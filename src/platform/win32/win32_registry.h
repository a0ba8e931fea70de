#pragma once
#include "platform/registry.h"

namespace vorex {

// The real Windows registry through advapi32.
class Win32Registry : public Registry {
 public:
  long OpenKey(RegHandle parent, const std::string& subKey, std::uint32_t access, RegHandle* key) override;
  long CreateKey(RegHandle parent, const std::string& subKey, std::uint32_t access, RegHandle* key) override;
  long QueryValue(RegHandle key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                  std::uint32_t* size) override;
  long SetValue(RegHandle key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                std::uint32_t size) override;
  long EnumKey(RegHandle key, std::uint32_t index, std::string* name) override;
  long CloseKey(RegHandle key) override;
};

}  // namespace vorex
