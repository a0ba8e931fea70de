#include "platform/file_system.h"

namespace vorex {

bool Exists(FileSystem& fs, const std::string& path) {
  EntryInfo info;
  return fs.Describe(path, &info);
}

bool FileIdentity(FileSystem& fs, const std::string& path, std::string* id) {
  std::string real;
  EntryInfo info;
  if (!fs.RealPath(path, &real) || !fs.Describe(real, &info)) return false;
  *id = info.identity;
  return true;
}

}  // namespace vorex
