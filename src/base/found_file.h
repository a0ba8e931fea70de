#pragma once
// A file that discovery found, with what it knew of it: the edit, the log and the report take
// it from here and never work it out again from the file's name.
#include <string>
#include <vector>

namespace vorex {

enum class FileKind {
  // An installation's toolbox/local/pathdef.m.
  kInstallation,
  // A user's own pathdef.m in the startup folder (Documents/MATLAB), read before the
  // installation's.
  kUserCopy,
  // GNU Octave's site startup file (octaverc), edited with a marked block of addpath lines; made
  // when missing.
  kOctaveStartup,
};

struct FoundFile {
  std::string path;
  FileKind kind = FileKind::kInstallation;
  // Whose copy it is (a user's copy); empty when discovery did not tell.
  std::string owner;
  // A named installation without its file: why, for the report ("find <path>: <reason>").
  // Such a file is never edited; empty for every file that exists.
  std::string missing;
};

using FoundFiles = std::vector<FoundFile>;

// The names the edit gives the file's new text and its backup: pathdef.new and pathdef.bak,
// octaverc.new and octaverc.bak.
inline std::string NewFileName(FileKind kind) {
  return kind == FileKind::kOctaveStartup ? "octaverc.new" : "pathdef.new";
}
inline std::string BackupName(FileKind kind) {
  return kind == FileKind::kOctaveStartup ? "octaverc.bak" : "pathdef.bak";
}

}  // namespace vorex
