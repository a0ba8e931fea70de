#pragma once
// The few ways in which Windows and UNIX differ for the core's rules: the path separator, case,
// how pathdef.m separates its entries, and the spelling of what the scan records.
namespace vorex {

struct PathRules {
  bool windows = false;

  char Separator() const { return windows ? '\\' : '/'; }
  // Windows paths ignore case: directories are lower-cased and compared that way.
  bool IgnoreCase() const { return windows; }
  // Windows itself drops trailing dots and blanks from a name, so the trimmed, lower-cased key
  // names the same directory and is what an entry holds; POSIX writes the directory as given.
  bool WritesKeyAsEntry() const { return windows; }
  static PathRules Windows() { return PathRules{true}; }
  static PathRules Posix() { return PathRules{false}; }
  static PathRules Native() {
#ifdef _WIN32
    return Windows();
#else
    return Posix();
#endif
  }
};

}  // namespace vorex
