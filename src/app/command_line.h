#pragma once
// Turns the process's command line into command/directory pairs and the log switch.
#include <string>
#include <vector>

#include "base/path_rules.h"
#include "base/string_list.h"

namespace vorex {

struct ParsedCommandLine {
  // What a person asked for instead of a run: `--help` or `-h`, `--version`.
  enum class Request { kRun, kHelp, kVersion };
  Request request = Request::kRun;
  int logSwitch = 0;
  // -silent on: no window, no boxes, no pauses; the boxes' texts go to the log and stderr.
  int silentSwitch = 0;
  // -check on: every edit is worked out and nothing is written; no window, no pauses.
  int checkSwitch = 0;
  // -octave on: the site startup file of every GNU Octave installation is edited too.
  int octaveSwitch = 0;
  // -matlabroot DIR, each time it is given, in the order given: exactly these installations
  // are edited, and nothing is looked for.
  StringList matlabRoots;
  // Both lists hold their values in the reverse of their order on the line; entries at the
  // same index form one pair.
  StringList commands;
  StringList paths;
  // Empty when the line is usable; otherwise one line that names what is wrong.
  std::string problem;
};

// Windows: the one line the system gives, the program's path (quoted or not) followed by the
// arguments. An option word stands between blanks; a value runs to the next option word.
ParsedCommandLine ParseCommandLine(const std::string& line);

// POSIX: the arguments as the shell handed them over, the program's path first. Each is taken
// whole: an option word is only ever a whole argument, and a value is the arguments up to the
// next option word, joined with single blanks. A directory name that holds " -command " stays
// one directory. Values are not checked against the trim characters: a relative directory such
// as "." is made absolute first (CheckDirectories).
ParsedCommandLine ParseArguments(const std::vector<std::string>& args);

// Refuses directories that cannot be written into pathdef.m as they are (a line break; on POSIX a
// leading ~ or a ":") and, on POSIX, makes relative ones absolute against currentDirectory.
// Returns the problem line, empty when every directory is usable.
std::string CheckDirectories(StringList& paths, const PathRules& rules, const std::string& currentDirectory);

// The same for the -matlabroot folders, which may hold ":" since they are never written into
// pathdef.m. Windows keeps them as given.
std::string CheckMatlabRoots(StringList& roots, const PathRules& rules, const std::string& currentDirectory);

}  // namespace vorex
