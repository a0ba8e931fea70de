#pragma once
// The file of one edit while its folder is locked, and the failed steps of that edit.
#include <memory>
#include <string>
#include <vector>

#include "base/path_rules.h"
#include "base/paths.h"
#include "base/string_list.h"
#include "platform/file_system.h"

namespace vorex {

// The failed steps of one edit, in order ("<step> <path>: <why>"), and what the log should say
// after them.
struct Failures {
  StringList steps;
  std::string note;
  // Records the step and returns false, so that a failing step can end with `return Add(...)`.
  bool Add(std::string_view step, const std::string& path, const std::string& why);
};

// Where the edit reads and writes: the place's folder, or the folder a followed link leads to.
struct LockedFile {
  std::vector<std::unique_ptr<FileLock>> locks;
  // The folder a link leads into, when it is not the place's own.
  std::unique_ptr<Folder> linkedFolder;
  Folder* folder = nullptr;
  PathRules rules = PathRules::Posix();
  std::string name;        // the file's name in `folder`
  std::string newName;     // pathdef.new, octaverc.new
  std::string backupName;  // pathdef.bak, octaverc.bak
  // A site startup file of GNU Octave that is made now: no old text, no backup.
  bool missing = false;

  std::string Path(const std::string& entry) const { return JoinPath(folder->Path(), entry, rules); }
  bool Exists(const std::string& entry) const {
    EntryInfo info;
    return folder->Describe(entry, &info);
  }
};

}  // namespace vorex
