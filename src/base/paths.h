#pragma once
// Joining and splitting paths, by the separators of the platform's rules.
#include <string>
#include <string_view>
#include <vector>

#include "base/path_rules.h"

namespace vorex {

// dir and name with one separator between them (none added when dir already ends in one).
std::string JoinPath(const std::string& dir, std::string_view name, const PathRules& rules);
// The directory part; "." for a bare name, and the root itself for a name at the root.
std::string ParentOf(const std::string& path, const PathRules& rules);
// The last part of `path`: the file's own name.
std::string NameOf(const std::string& path, const PathRules& rules);
// The file `name` beside `path`, whatever its directories are called.
std::string SiblingName(const std::string& path, std::string_view name, const PathRules& rules);
// The file name without its directories and its extension ("vorex" for C:\x\vorex.exe).
std::string FileStem(const std::string& path, const PathRules& rules);
// The folders that lead to `path`, from its root ("/", "C:\") down to the folder holding it.
std::vector<std::string> FoldersOf(const std::string& path, const PathRules& rules);

}  // namespace vorex
