#pragma once
// The edits of pathdef.m's entry list as text, without any file: each line read is logged.
#include <string>
#include <string_view>

#include "base/path_rules.h"
#include "log/diagnostic_log.h"

namespace vorex {

enum class AddOutcome { kInserted, kAlreadyListed, kNoInsertionPoint };
// `key` decides whether the directory is listed already; `entry` is what the new line holds.
AddOutcome AddEntryToText(std::string_view text, const std::string& key, const std::string& entry,
                          const PathRules& rules, DiagnosticLog& log, std::string* out);
// Returns the number of lines dropped.
int RemoveEntriesFromText(std::string_view text, const std::string& dir, const PathRules& rules, DiagnosticLog& log,
                          std::string* out);

// A trailing separator names the same directory; a drive or file system root keeps it.
std::string WithoutTrailingSeparator(std::string dir);

}  // namespace vorex
