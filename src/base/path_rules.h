#pragma once
// The few ways in which Windows and UNIX differ for the core's rules, each asked by name: path
// separators, case, line breaks, and how pathdef.m writes and compares its entries.
#include <string_view>

namespace vorex {

class PathRules {
 public:
  static PathRules Windows() { return PathRules(true); }
  static PathRules Posix() { return PathRules(false); }

  // The separator put between a directory and a name, and every character that separates.
  char Separator() const { return windows_ ? '\\' : '/'; }
  std::string_view Separators() const { return windows_ ? "\\/" : "/"; }
  // Windows paths ignore case: directories are lower-cased and compared that way.
  bool IgnoreCase() const { return windows_; }
  // The line break of a text file written from scratch (the log, a file without breaks).
  std::string_view LineBreak() const { return windows_ ? "\r\n" : "\n"; }

  // Windows itself drops trailing dots and blanks from a name, so the trimmed, lower-cased key
  // names the same directory and is what an entry holds; POSIX writes the directory as given.
  bool WritesKeyAsEntry() const { return windows_; }
  // Windows entries end in ';', and the first ":'" of every entry line of the list becomes ";'";
  // UNIX files separate entries with ':' and each file's own separator is kept.
  bool ConvertsColonEntries() const { return windows_; }
  // Whether a directory is listed: Windows drops trailing dots and blanks from names, so there a
  // directory and a line are compared with the trim characters stripped from both ends. On POSIX
  // "/opt/x." and "/opt/x;" are other directories than "/opt/x": only an entry that names exactly
  // the directory (a trailing '/' aside) counts.
  bool ExactDirectoryKeys() const { return !windows_; }
  // The Windows search records LOCAL as its pattern spells it; POSIX records names as stored.
  bool RecordsPatternSpelling() const { return windows_; }
  // POSIX directories must be absolute and free of ':'; relative ones are made absolute.
  bool ChecksPosixDirectories() const { return !windows_; }

 private:
  explicit PathRules(bool windows) : windows_(windows) {}
  bool windows_;
};

}  // namespace vorex
