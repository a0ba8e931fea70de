#pragma once
// The edits of pathdef.m's entry list as text, without any file: each line read is logged. Each
// takes the directory exactly as the command line gave it (made absolute on POSIX) and does the
// rest itself: on Windows the trim, the case and the trailing separators, on POSIX a trailing '/'.
#include <string>
#include <string_view>

#include "base/path_rules.h"
#include "log/diagnostic_log.h"

namespace vorex {

enum class AddOutcome { kInserted, kAlreadyListed, kNoInsertionPoint };
// Puts the directory's entry directly above the end marker (or below the last entry above the
// list's closing "]" in a file without it) unless the list names it already. Windows writes it
// as DirectoryKey gives it, POSIX as given. A directory that names nothing (IsBlankDirectory,
// the caller's to refuse) counts as listed: nothing is added.
AddOutcome AddEntryToText(std::string_view text, const std::string& dir, const PathRules& rules, DiagnosticLog& log,
                          std::string* out);
// Drops the list's entries of the directory and of the directories beneath it (of a root only
// its own). Returns the number of lines dropped.
int RemoveEntriesFromText(std::string_view text, const std::string& dir, const PathRules& rules, DiagnosticLog& log,
                          std::string* out);

// The directory as the edits compare it, for the log: on Windows lower-cased, without the trim
// characters and trailing separators; on POSIX without a trailing '/'.
std::string ShownDirectory(const std::string& dir, const PathRules& rules);

}  // namespace vorex
