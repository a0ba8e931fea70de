#include "base/messages.h"

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
         "Options:\n\n"
         "  -log on      write vorex.log into the current directory\n"
         "  -silent on   no window, no boxes, no pauses; their texts go to the log and to stderr\n"
         "  -check on    work out every edit and write nothing\n"
         "  -octave on   also edit the site startup file of every GNU Octave installation\n"
         "  -matlabroot <MATLAB root folder>\n"
         "               edit only the installations named so, look for none; may be given again\n\n"
         "Exit status: 0 success, 1 failure, 2 no pathdef.m found, 3 cancelled, 4 a file would change\n"
         "(-check on), 64 usage.\n";
}

std::string VersionText() {
  return std::string("vorex ") + VOREX_VERSION + "\n";
}

namespace problem {

std::string NoPair() {
  return "Problem: at least one -command and one -path must be given.";
}
std::string Unpaired(std::size_t commands, std::size_t paths) {
  return "Problem: " + std::to_string(commands) + " -command value(s) but " + std::to_string(paths) +
         " -path value(s); give them in pairs.";
}
std::string UnknownCommand(const std::string& command) {
  return "Problem: unknown command \"" + command + "\"; use ADD or REMOVE.";
}
std::string EmptyDirectory() {
  return "Problem: an empty directory was given after -path.";
}
std::string EmptyMatlabRoot() {
  return "Problem: an empty directory was given after -matlabroot.";
}
std::string LineBreakInDirectory() {
  return "Problem: a directory holds a line break or a NUL character.";
}
std::string TildeDirectory(const std::string& dir) {
  return "Problem: \"" + dir + "\" starts with ~, which is not expanded; give the full directory.";
}
std::string RelativeWithoutCurrentDirectory(const std::string& dir) {
  return "Problem: \"" + dir + "\" is relative and the current directory is unknown; give the full directory.";
}
std::string ColonInDirectory(const std::string& dir) {
  return "Problem: \"" + dir + R"(" holds ":", which MATLAB reads as two directories.)";
}

}  // namespace problem

}  // namespace vorex
