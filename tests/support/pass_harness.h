#pragma once
// The ADD and REMOVE passes over a fault-injecting fake file system, with the log kept in it.
#include <string>

#include "log/diagnostic_log.h"
#include "pathdef/edit_passes.h"
#include "support/fake_file_system.h"

namespace vorex::testing {

struct PassHarness {
  static constexpr const char* kLogName = "vorex.log";

  FakeFileSystem ownFs;
  FakeFileSystem& fs;
  DiagnosticLog log;
  StringList commands;
  StringList paths;
  StringList problems;  // the "Failed: " lines the passes reported
  FileRecords records;
  PathRules rules;

  explicit PassHarness(PathRules r) : PassHarness(r, ownFs) {}
  // Over a file system the test has set up (and looks at) itself.
  PassHarness(PathRules r, FakeFileSystem& files) : fs(files), rules(r) {
    fs.AddFile(kLogName, "");
    log.Open(fs, kLogName, false);
  }
  EditContext Context() {
    EditContext ctx{commands, paths, fs, log, rules, &problems};
    ctx.records = &records;
    return ctx;
  }
  int Add(const StringList& files) { return AddPathEntries(Context(), files); }
  int Remove(const StringList& files) { return RemovePathEntries(Context(), files); }
  // The "Skipped: " lines, one per file skipped.
  StringList SkipLines() const {
    StringList lines;
    for (const auto& [path, record] : records)
      if (record.outcome == FileOutcome::kSkipped) lines.push_back(record.skipLine);
    return lines;
  }
  // What the log holds so far.
  std::string Log() {
    log.Flush();
    return fs.files[kLogName];
  }
};

}  // namespace vorex::testing
