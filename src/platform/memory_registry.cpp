#include "platform/memory_registry.h"

#include <algorithm>
#include <cstring>

#include "base/ascii.h"

namespace vorex {

namespace {
std::string Join(const std::string& base, const std::string& sub) {
  if (base.empty()) return sub;
  if (sub.empty()) return base;
  return base + "\\" + sub;
}
}  // namespace

std::string MemoryRegistry::RootPath(RegHandle root, View view) {
  return std::string(view == View::k64 ? "64|" : "32|") + (root == kHkeyLocalMachine ? "lm" : "cr");
}

void MemoryRegistry::Put(const std::string& key, const std::string& name, const std::string& text) {
  PutIn(kHkeyClassesRoot, nativeView, key, name, text);
}

void MemoryRegistry::PutIn(RegHandle root, View view, const std::string& key, const std::string& name,
                           const std::string& text) {
  std::vector<std::uint8_t> bytes(text.begin(), text.end());
  bytes.push_back(0);
  std::lock_guard lock(mutex_);
  PutPath(Join(RootPath(root, view), AsciiLowerCopy(key)), name, kRegSz, std::move(bytes));
}

void MemoryRegistry::PutBytes(const std::string& key, const std::string& name, std::uint32_t type,
                              std::vector<std::uint8_t> bytes) {
  std::lock_guard lock(mutex_);
  PutPath(Join(RootPath(kHkeyClassesRoot, nativeView), AsciiLowerCopy(key)), name, type, std::move(bytes));
}

void MemoryRegistry::PutPath(const std::string& path, const std::string& name, std::uint32_t type,
                             std::vector<std::uint8_t> bytes) {
  // Every parent exists too, as in a real hive.
  for (std::size_t pos = path.find('\\'); pos != std::string::npos; pos = path.find('\\', pos + 1))
    keys_[path.substr(0, pos)];
  keys_[path].values[AsciiLowerCopy(name)] = Value{type, std::move(bytes)};
}

void MemoryRegistry::DenyAccess(const std::string& key) {
  std::lock_guard lock(mutex_);
  denied_.insert(Join(RootPath(kHkeyClassesRoot, nativeView), AsciiLowerCopy(key)));
}

bool MemoryRegistry::HasKey(const std::string& key) const {
  std::lock_guard lock(mutex_);
  return keys_.contains(Join(RootPath(kHkeyClassesRoot, nativeView), AsciiLowerCopy(key)));
}

int MemoryRegistry::OpenHandleCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(handles_.size());
}

bool MemoryRegistry::Denied(const std::string& path) const {
  return std::any_of(denied_.begin(), denied_.end(), [&](const std::string& d) {
    return path == d || (path.size() > d.size() && path.compare(0, d.size(), d) == 0 && path[d.size()] == '\\');
  });
}

long MemoryRegistry::Resolve(RegHandle parent, const std::string& subKey, std::uint32_t access,
                             std::string* path) const {
  std::string base;
  if (parent == kHkeyClassesRoot || parent == kHkeyLocalMachine) {
    View view = (access & kKeyWow6464Key) ? View::k64 : (access & kKeyWow6432Key) ? View::k32 : nativeView;
    base = RootPath(parent, view);
  } else {
    auto it = handles_.find(parent);
    if (it == handles_.end()) return kErrorInvalidHandle;
    base = it->second;  // a sub-key stays in the view of its parent
  }
  *path = Join(base, AsciiLowerCopy(subKey));
  if (refuseWriteAccess && (access & ~kKeyRead & kKeyWrite)) return kErrorAccessDenied;
  return Denied(*path) ? kErrorAccessDenied : kErrorSuccess;
}

RegHandle MemoryRegistry::NewHandle(const std::string& path) {
  RegHandle h = nextHandle_++;
  handles_[h] = path;
  return h;
}

long MemoryRegistry::OpenKey(RegHandle parent, const std::string& subKey, std::uint32_t access, RegHandle* key) {
  std::lock_guard lock(mutex_);
  std::string path;
  if (long status = Resolve(parent, subKey, access, &path)) return status;
  bool isRoot = path.find('\\') == std::string::npos;
  if (!isRoot && !keys_.contains(path)) return kErrorFileNotFound;
  *key = NewHandle(path);
  return kErrorSuccess;
}

long MemoryRegistry::CreateKey(RegHandle parent, const std::string& subKey, std::uint32_t access, RegHandle* key) {
  std::lock_guard lock(mutex_);
  std::string path;
  if (long status = Resolve(parent, subKey, access, &path)) return status;
  for (std::size_t pos = path.find('\\'); pos != std::string::npos; pos = path.find('\\', pos + 1))
    keys_[path.substr(0, pos)];
  keys_[path];
  *key = NewHandle(path);
  return kErrorSuccess;
}

long MemoryRegistry::QueryValue(RegHandle key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                                std::uint32_t* size) {
  std::lock_guard lock(mutex_);
  std::string path;
  if (long status = Resolve(key, "", kKeyRead, &path)) return status;
  auto k = keys_.find(path);
  if (k == keys_.end()) return kErrorFileNotFound;
  auto v = k->second.values.find(AsciiLowerCopy(name));
  if (v == k->second.values.end()) return kErrorFileNotFound;
  const Value& value = v->second;
  if (type) *type = value.type;
  auto needed = static_cast<std::uint32_t>(value.bytes.size());
  if (!size) return data ? kErrorInvalidHandle : kErrorSuccess;
  if (data && *size < needed) {
    *size = needed;
    return kErrorMoreData;
  }
  if (data && needed) std::memcpy(data, value.bytes.data(), needed);
  *size = needed;
  return kErrorSuccess;
}

long MemoryRegistry::SetValue(RegHandle key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                              std::uint32_t size) {
  std::lock_guard lock(mutex_);
  std::string path;
  if (long status = Resolve(key, "", 0, &path)) return status;
  keys_[path].values[AsciiLowerCopy(name)] = Value{type, std::vector<std::uint8_t>(data, data + size)};
  return kErrorSuccess;
}

long MemoryRegistry::EnumKey(RegHandle key, std::uint32_t index, std::string* name) {
  std::lock_guard lock(mutex_);
  std::string path;
  if (long status = Resolve(key, "", 0, &path)) return status;
  std::string prefix = path + "\\";
  std::uint32_t seen = 0;
  for (auto it = keys_.lower_bound(prefix); it != keys_.end() && it->first.compare(0, prefix.size(), prefix) == 0;
       ++it) {
    std::string rest = it->first.substr(prefix.size());
    if (rest.find('\\') != std::string::npos) continue;
    if (seen++ == index) {
      *name = rest;
      return kErrorSuccess;
    }
  }
  return kErrorNoMoreItems;
}

long MemoryRegistry::CloseKey(RegHandle key) {
  std::lock_guard lock(mutex_);
  return handles_.erase(key) ? kErrorSuccess : kErrorInvalidHandle;
}

}  // namespace vorex
