#pragma once
// The report of a run, for callers that read it (standard output) and for the log.
//
// The text report, at the end of a run that took up files: one line per file found, in order, a
// word and the full path:
//   changed <path> | unchanged <path> | would change <path> | failed <path> | skipped <path>
// Control and separator characters in a path are written as '?', so one line is always one file.
// With diffs, each file that changes or would change is followed by its unified diff, every line
// of which starts with "---", "+++", "@@", " ", "+" or "-".
//
// The JSON report (-report json): one document at the end of every run that started (see
// doc/report.schema.json): the format, the status, whether it was a check, the pairs in the order
// given, every file found with its kind, owner where known, outcome, reason, the lines added and
// removed and (with diffs) its diff, the "Failed: " lines and the text of the box that told the
// outcome. Strings are UTF-8; a byte of a path that is not UTF-8 is written as the lone surrogate
// U+DC80..U+DCFF (Python's surrogateescape: os.fsencode gives the bytes back).
#include <string>
#include <vector>

#include "pathdef/edit_file.h"
#include "run/update_run.h"

namespace vorex {

// "changed", "unchanged", "would change", "failed" or "skipped" (also a file no command reached).
std::string OutcomeWord(const FileEdit& edit);
// True when the run took up a file: the text report has lines then.
bool TookUpFiles(const RunResult& result);
// Every line, each ending in "\n".
std::string ReportText(const std::vector<FileEdit>& files, bool diffs);
std::string ReportJson(const RunRequest& request, const RunResult& result, bool diffs);
// A string as JSON, quotes included.
std::string JsonString(std::string_view text);

}  // namespace vorex
