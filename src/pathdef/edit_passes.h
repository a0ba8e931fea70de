#pragma once
// The REMOVE and ADD passes over every pathdef.m found, and the replacement with one backup.
#include <chrono>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "base/path_rules.h"
#include "base/string_list.h"
#include "log/diagnostic_log.h"
#include "platform/file_system.h"

namespace vorex {

// What a run did to each file, for the report: the worst of what happened to it, in this
// order from best: unchanged, changed, skipped, failed.
enum class FileOutcome { kUnchanged, kChanged, kSkipped, kFailed };

struct FileRecord {
  FileOutcome outcome = FileOutcome::kUnchanged;
  bool touched = false;  // taken up by at least one command
  // kSkipped: "Skipped: <path>: <reason>", for the user. A skipped file lies in another user's
  // place and could not be edited with that user's rights; no later command takes it up.
  std::string skipLine;
  // -check on: the text as read first, and as the edits so far would leave it.
  bool checked = false;
  std::string original;
  std::string edited;
};

// Per found path; shared by the passes of one run.
using FileRecords = std::map<std::string, FileRecord>;

struct EditContext {
  const StringList& commands;
  const StringList& paths;
  FileSystem& fs;
  DiagnosticLog& log;
  PathRules rules;
  // Receives each "Failed: " line as well, for the user; may be null.
  StringList* problems = nullptr;
  // How long an edit waits for another run to finish with the same file.
  std::chrono::milliseconds lockTimeout{30000};
  // What happened to each file; may be null.
  FileRecords* records = nullptr;
  // The file lies in a place only root or this run may change: its lock is one nobody else can
  // take.
  bool privateLock = false;
  // -check on: every edit is worked out in memory (each command on the text the earlier ones
  // left) and nothing is written.
  bool checkOnly = false;
  // When set, the first failure's "<step> <path>: <reason>" lands here instead of the log and
  // `problems`: a file that is skipped rather than failed gives it as its reason.
  std::string* divertedFailure = nullptr;

  // True for a file an earlier command skipped.
  bool Skipped(const std::string& path) const;
  // One line naming the step, the file and the reason, in the log and in `problems`.
  void ReportFailure(std::string_view step, const std::string& path, const std::string& reason) const;
};

// Both return 1 when every file taken up was rewritten and replaced, 0 once one failed; the
// first failed file ends the pass. A skipped file is no failure: the pass goes on, and no later
// command takes that file up again.
int AddPathEntries(const EditContext& ctx, const StringList& foundFiles);
int RemovePathEntries(const EditContext& ctx, const StringList& foundFiles);

// Puts newPath in the place of path and keeps the previous file as pathdef.bak beside it: as a
// second name of the old file, else by the platform's replace step, else (given the old text) as
// a flushed copy, and only where none of these works by three renames. Except in that last case
// pathdef.m exists at every moment and holds the old or the new text. A failed step is reported
// through ctx.
bool RotatePathdefFiles(const EditContext& ctx, const std::string& path, const std::string& newPath,
                        const std::string* oldText = nullptr);

}  // namespace vorex
