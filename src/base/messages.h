#pragma once
// Every text the user sees: the dialog's lines, the message boxes and the usage message. The
// boxes' headings are followed by the pair listing.
#include <cstddef>
#include <string>
#include <string_view>

#include "base/string_list.h"

namespace vorex {

// Status lines.
extern const char kSearchingRegistryStatus[];
extern const char kSearchingDrivesStatus[];
extern const char kModifyingStatus[];
extern const char kExitingStatus[];
std::string CompletionStatus(std::size_t fileCount);

// Message boxes.
extern const char kNotFoundHeading[];
extern const char kFailureHeading[];
extern const char kCancelledHeading[];
// One line per pair, in list order: the command, a blank and the quoted directory.
std::string PairListing(const StringList& commands, const StringList& paths);
// Shown when the dialog is closed while the run goes: names every directory, each quoted.
std::string CloseTimeMessage(const StringList& paths);

// The usage message, with the line that names the problem.
extern const char kUsageCaption[];
std::string UsageText(const std::string& problem);
// What `--help` and `--version` show.
std::string HelpText();
std::string VersionText();
namespace problem {
std::string NoPair();
std::string Unpaired(std::size_t commands, std::size_t paths);
std::string UnknownCommand(const std::string& command);
// A word that is no option where an option word must stand.
std::string UnknownOption(const std::string& word);
// A second word after the one value of `option`.
std::string WordAfterValue(std::string_view option, const std::string& word);
// A value outside the words that `option` takes (`allowed`, such as "on or off").
std::string BadValue(std::string_view option, const std::string& value, std::string_view allowed);
std::string EmptyDirectory();
std::string EmptyMatlabRoot();
std::string EmptyLogFile();
std::string LogFileTwice();
// Without a directory: the part of the line that names no directory.
std::string LineBreakInDirectory();
std::string LineBreakInDirectory(const std::string& dir);
std::string MarkerInDirectory(const std::string& dir, std::string_view marker);
std::string TildeDirectory(const std::string& dir);
std::string RelativeWithoutCurrentDirectory(const std::string& dir);
std::string ColonInDirectory(const std::string& dir);
}  // namespace problem

}  // namespace vorex
