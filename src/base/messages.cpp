#include "base/messages.h"

#include "base/ascii.h"

namespace vorex {

const char kSearchingRegistryStatus[] = "Searching Registry for MATLAB Installations...";
const char kSearchingDrivesStatus[] = "Searching Drives for MATLAB Installations...";
const char kModifyingStatus[] = "Modifying MATLAB Path Information...";
const char kExitingStatus[] = "Exiting...";

std::string CompletionStatus(std::size_t fileCount) {
  if (fileCount == 1) return "MATLAB Path Update Complete.";
  return "MATLAB Path Update Complete (" + std::to_string(fileCount) + " paths modified).";
}

const char kNotFoundHeading[] =
    "WARNING: The MATLAB \"pathdef.m\" file could not be found.\n\nFrom the MATLAB prompt, run PATHTOOL, and\n";
const char kFailureHeading[] =
    "An error ocurred while updating \"pathdef.m\".\n\nFrom the MATLAB prompt, run PATHTOOL and\n";
const char kCancelledHeading[] = "MATLAB path updated CANCELLED!\n\nFrom the MATLAB prompt, run PATHTOOL and\n";

std::string PairListing(const StringList& commands, const StringList& paths) {
  // Appended as text, never through a format, so a "%" in a directory shows unchanged.
  std::string listing;
  for (const CommandPair& pair : PairsOf(commands, paths)) listing += pair.command + " \"" + pair.directory + " \"\n";
  return listing;
}

std::string CloseTimeMessage(const StringList& paths) {
  std::string named;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    if (i > 0) named += "\n";
    named += "\"" + paths[i] + "\"";
  }
  return "MATLAB path updated CANCELLED! \n\nFrom the MATLAB prompt, run PATHTOOL and add\n" + named +
         " to your MATLAB path.";
}

const char kUsageCaption[] = "VOREX 2004: COMMAND-LINE SYNTAX                       ";

std::string UsageText(const std::string& problem) {
  std::string text =
      "\nCommand line parameters to add path to pathdef.m:\n\n"
      "  -command ADD -path <filepath to add>\n\n"
      "To remove path:\n\n"
      "  -command REMOVE -path <filepath to remove>\n\n\n";
  if (!problem.empty()) text += problem + "\n";
  return text;
}

std::string HelpText() {
  return UsageText("") +
         "Options (a switch takes on or off, any case):\n\n"
         "  -log on         write vorex.log into the current directory\n"
         "  -logfile <file> write the log to this file instead\n"
         "  -silent on      no window, no boxes, no pauses; their texts go to the log and to stderr\n"
         "  -check on       work out every edit and write nothing\n"
         "  -diff on        show what each edit changes\n"
         "  -octave on      also edit the site startup file of every GNU Octave installation\n"
         "  -notfound ok    finding no pathdef.m is no failure (ok or fail; fail by default)\n"
         "  -report json    write the report as JSON (text or json; text by default)\n"
         "  -matlabroot <MATLAB root folder>\n"
         "                  edit only the installations named so, look for none; may be given again\n\n"
         "Exit status: 0 success, 1 failure, 2 no pathdef.m found, 3 cancelled, 4 a file would change\n"
         "(-check on), 64 usage.\n";
}

std::string VersionText() {
  return std::string("vorex ") + VOREX_VERSION + "\n";
}

namespace {

// A value as the problem line shows it: quoted, on one line.
std::string Shown(std::string_view text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size();) {
    std::size_t brk = LineBreakAt(text, i);
    auto byte = static_cast<unsigned char>(text[i]);
    out += (brk != 0 || byte < 0x20 || byte == 0x7f) ? '?' : text[i];
    i += brk != 0 ? brk : 1;
  }
  return out + "\"";
}

}  // namespace

namespace problem {

std::string NoPair() {
  return "Problem: at least one -command and one -path must be given.";
}
std::string Unpaired(std::size_t commands, std::size_t paths) {
  return "Problem: " + std::to_string(commands) + " -command value(s) but " + std::to_string(paths) +
         " -path value(s); give them in pairs.";
}
std::string UnknownCommand(const std::string& command) {
  return "Problem: unknown command " + Shown(command) + "; use ADD or REMOVE.";
}
std::string UnknownOption(const std::string& word) {
  return "Problem: unknown option " + Shown(word) + ".";
}
std::string WordAfterValue(std::string_view option, const std::string& word) {
  return "Problem: " + std::string(option) + " takes one value; " + Shown(word) +
         " follows it where the next option should stand.";
}
std::string BadValue(std::string_view option, const std::string& value, std::string_view allowed) {
  if (value.empty()) return "Problem: " + std::string(option) + " needs a value: " + std::string(allowed) + ".";
  return "Problem: " + std::string(option) + " takes " + std::string(allowed) + ", not " + Shown(value) + ".";
}
std::string EmptyDirectory() {
  return "Problem: an empty directory was given after -path.";
}
std::string EmptyMatlabRoot() {
  return "Problem: an empty directory was given after -matlabroot.";
}
std::string EmptyLogFile() {
  return "Problem: an empty file name was given after -logfile.";
}
std::string LogFileTwice() {
  return "Problem: -logfile was given more than once; the log goes to one file.";
}
std::string LineBreakInDirectory() {
  return "Problem: a directory holds a line break or a NUL character";
}
std::string LineBreakInDirectory(const std::string& dir) {
  return LineBreakInDirectory() + ": " + Shown(dir) + ".";
}
std::string MarkerInDirectory(const std::string& dir, std::string_view marker) {
  return "Problem: " + Shown(dir) + " holds " + Shown(marker) + ", which marks pathdef.m's list of entries.";
}
std::string TildeDirectory(const std::string& dir) {
  return "Problem: " + Shown(dir) + " starts with ~, which is not expanded; give the full directory.";
}
std::string RelativeWithoutCurrentDirectory(const std::string& dir) {
  return "Problem: " + Shown(dir) + " is relative and the current directory is unknown; give the full directory.";
}
std::string ColonInDirectory(const std::string& dir) {
  return "Problem: " + Shown(dir) + R"( holds ":", which MATLAB reads as two directories.)";
}

}  // namespace problem

}  // namespace vorex
