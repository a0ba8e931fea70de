#pragma once
// The report of a run that took up files: one line per file, in the order found, a word and the
// full path, for the log and for callers that read it (standard output):
//   changed <path> | unchanged <path> | would change <path> | failed <path> | skipped <path>
// Control characters in a path are written as '?', so one line is always one file.
#include <string>
#include <vector>

#include "pathdef/edit_file.h"

namespace vorex {

// "changed", "unchanged", "would change", "failed" or "skipped" (also a file no command reached).
std::string OutcomeWord(const FileEdit& edit);
// Every line, each ending in "\n".
std::string ReportText(const std::vector<FileEdit>& files);

}  // namespace vorex
