#pragma once
// The registry as the core sees it: a handful of calls shaped like the Win32 ones, with the
// Windows status numbers on every platform.
#include <cstdint>
#include <string>

namespace vorex {

using RegHandle = std::uintptr_t;

constexpr RegHandle kHkeyClassesRoot = 0x80000000u;
constexpr RegHandle kHkeyLocalMachine = 0x80000002u;

constexpr long kErrorSuccess = 0;
constexpr long kErrorFileNotFound = 2;
constexpr long kErrorAccessDenied = 5;
constexpr long kErrorInvalidHandle = 6;
constexpr long kErrorMoreData = 234;
constexpr long kErrorNoMoreItems = 259;

constexpr std::uint32_t kRegSz = 1;
// Access masks. Reading asks for KEY_READ alone: a user who is not elevated may not write under
// the machine's keys, and an open that asks for it fails.
constexpr std::uint32_t kKeyRead = 0x20019;
constexpr std::uint32_t kKeyWrite = 0x20006;
constexpr std::uint32_t kKeyReadWrite = 0x2001F;
// Which registry view a 64-bit Windows shows: 64-bit programs see the 64-bit one by default,
// 32-bit programs the 32-bit one; either may ask for the other.
constexpr std::uint32_t kKeyWow6464Key = 0x0100;
constexpr std::uint32_t kKeyWow6432Key = 0x0200;

class Registry {
 public:
  virtual ~Registry() = default;
  virtual long OpenKey(RegHandle parent, const std::string& subKey, std::uint32_t access, RegHandle* key) = 0;
  // Opens the key, creating it (and any missing parents) when it does not exist.
  virtual long CreateKey(RegHandle parent, const std::string& subKey, std::uint32_t access, RegHandle* key) = 0;
  // An empty name reads the key's default value. With too small a buffer the result is
  // kErrorMoreData and *size holds the size needed.
  virtual long QueryValue(RegHandle key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                          std::uint32_t* size) = 0;
  virtual long SetValue(RegHandle key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                        std::uint32_t size) = 0;
  // The name of sub-key `index` (from 0); kErrorNoMoreItems past the last.
  virtual long EnumKey(RegHandle key, std::uint32_t index, std::string* name) = 0;
  virtual long CloseKey(RegHandle key) = 0;
};

}  // namespace vorex
