#pragma once
// An in-process registry hive: what POSIX uses in place of the Windows registry, and what the
// tests fill by hand.
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace vorex {

// It has the two views of 64-bit Windows: a key written in one is not seen from the other, and an
// open sees the program's own view unless its access mask asks for the other.
class MemoryRegistry : public Registry {
 public:
  enum class View { k64, k32 };
  // The view a program sees when it does not ask: a 64-bit program's, by default.
  View nativeView = View::k64;
  // Refuses every open that asks for write access, as the machine's keys do for a user who is
  // not elevated.
  bool refuseWriteAccess = false;

  // Writes a value, creating its key; `key` is a path below HKEY_CLASSES_ROOT, "" for the root.
  void Put(const std::string& key, const std::string& name, const std::string& text);
  // The same below another root, in the given view.
  void PutIn(RegHandle root, View view, const std::string& key, const std::string& name, const std::string& text);
  void PutBytes(const std::string& key, const std::string& name, std::uint32_t type, std::vector<std::uint8_t> bytes);
  // Opening this key (or one below it) is refused with access denied.
  void DenyAccess(const std::string& key);
  bool HasKey(const std::string& key) const;
  int OpenHandleCount() const;

  long OpenKey(RegHandle parent, const std::string& subKey, std::uint32_t access, RegHandle* key) override;
  long CreateKey(RegHandle parent, const std::string& subKey, std::uint32_t access, RegHandle* key) override;
  long QueryValue(RegHandle key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                  std::uint32_t* size) override;
  long SetValue(RegHandle key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                std::uint32_t size) override;
  long EnumKey(RegHandle key, std::uint32_t index, std::string* name) override;
  long CloseKey(RegHandle key) override;

 private:
  struct Value {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> bytes;
  };
  struct Key {
    std::map<std::string, Value> values;  // by lower-cased name
  };
  // Keys are stored under "<view>|<root>\\path", lower-cased.
  static std::string RootPath(RegHandle root, View view);
  void PutPath(const std::string& path, const std::string& name, std::uint32_t type, std::vector<std::uint8_t> bytes);
  long Resolve(RegHandle parent, const std::string& subKey, std::uint32_t access, std::string* path) const;
  RegHandle NewHandle(const std::string& path);
  bool Denied(const std::string& path) const;

  mutable std::mutex mutex_;
  std::map<std::string, Key> keys_;  // by lower-cased path
  std::set<std::string> denied_;
  std::map<RegHandle, std::string> handles_;
  RegHandle nextHandle_ = 0x1000;
};

}  // namespace vorex
