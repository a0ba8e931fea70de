#include "base/paths.h"

namespace vorex {

std::string JoinPath(const std::string& dir, std::string_view name, const PathRules& rules) {
  std::string path = dir;
  if (path.empty() || rules.Separators().find(path.back()) == std::string_view::npos) path += rules.Separator();
  path += name;
  return path;
}

std::string ParentOf(const std::string& path, const PathRules& rules) {
  std::size_t slash = path.find_last_of(rules.Separators());
  if (slash == std::string::npos) return ".";
  return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

std::string NameOf(const std::string& path, const PathRules& rules) {
  std::size_t slash = path.find_last_of(rules.Separators());
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string SiblingName(const std::string& path, std::string_view name, const PathRules& rules) {
  std::size_t slash = path.find_last_of(rules.Separators());
  std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  return dir + std::string(name);
}

std::string FileStem(const std::string& path, const PathRules& rules) {
  std::size_t slash = path.find_last_of(rules.Separators());
  std::string stem = slash == std::string::npos ? path : path.substr(slash + 1);
  if (std::size_t dot = stem.rfind('.'); dot != std::string::npos && dot > 0) stem.resize(dot);
  return stem;
}

std::vector<std::string> FoldersOf(const std::string& path, const PathRules& rules) {
  std::vector<std::string> folders;
  std::size_t end = path.find_last_of(rules.Separators());
  if (end == std::string::npos) return folders;
  for (std::size_t pos = 0; pos <= end; ++pos) {
    if (rules.Separators().find(path[pos]) == std::string_view::npos) continue;
    std::string folder = path.substr(0, pos);
    // A root keeps its separator: "/" and "C:\".
    if (folder.empty() || (folder.size() == 2 && folder[1] == ':')) folder = path.substr(0, pos + 1);
    if (folders.empty() || folders.back() != folder) folders.push_back(folder);
  }
  return folders;
}

}  // namespace vorex
