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
  // The switches, 1 for on. Each takes "on" or "off" (any case); the first occurrence counts.
  int logSwitch = 0;
  // -silent on: no window, no boxes, no pauses; the boxes' texts go to the log and stderr.
  int silentSwitch = 0;
  // -check on: every edit is worked out and nothing is written; no window, no pauses.
  int checkSwitch = 0;
  // -octave on: the site startup file of every GNU Octave installation is edited too.
  int octaveSwitch = 0;
  // -diff on: the changes each edit makes are shown.
  int diffSwitch = 0;
  // -notfound ok (rather than the default "fail"): finding no file to edit is no failure.
  bool notFoundOk = false;
  // -report text|json: the form of the report.
  enum class ReportFormat { kText, kJson };
  ReportFormat reportFormat = ReportFormat::kText;
  // -logfile PATH: the file the log goes to, in place of vorex.log in the current directory;
  // empty when not given. Given at most once. CheckLogFile makes it absolute on POSIX.
  std::string logFile;
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
// arguments. An option word stands between blanks. The value of -path, -matlabroot and -logfile
// runs to the next option word (blanks around it trimmed); every other option takes exactly one
// word, after which an option word must follow.
ParsedCommandLine ParseCommandLine(const std::string& line);

// POSIX: the arguments as the shell handed them over, the program's path first. Each is taken
// whole, blanks included: an option word is only ever a whole argument, the value of -path,
// -matlabroot and -logfile is the arguments up to the next option word, joined with single
// blanks, and every other option takes exactly the one argument after it. A directory name that
// holds " -command " stays one directory. Values are not checked against the trim characters: a
// relative directory such as "." is made absolute first (CheckDirectories).
ParsedCommandLine ParseArguments(const std::vector<std::string>& args);

// Refuses directories that cannot be written into pathdef.m as they are and, on POSIX, makes
// relative ones absolute against currentDirectory first: every check runs on the form that is
// written. Refused: a line break (CR, LF, or the UTF-8 NEL, LINE SEPARATOR or PARAGRAPH
// SEPARATOR), a NUL, the text of either entry-list marker; on POSIX also a leading ~ or a ":".
// Returns the problem line, empty when every directory is usable.
std::string CheckDirectories(StringList& paths, const PathRules& rules, const std::string& currentDirectory);

// The same for the -matlabroot folders, which are only opened, never written: only the line
// breaks, the NUL and (POSIX) the ~ are refused. Windows keeps them as given.
std::string CheckMatlabRoots(StringList& roots, const PathRules& rules, const std::string& currentDirectory);

// The same for the -logfile file; an empty one (not given) is left alone.
std::string CheckLogFile(std::string& logFile, const PathRules& rules, const std::string& currentDirectory);

}  // namespace vorex
