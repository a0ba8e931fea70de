#pragma once
// The whole job, once, on the worker thread: find the files, carry out every REMOVE and then
// every ADD, and tell the user the outcome.
#include <atomic>
#include <vector>

#include "base/exit_status.h"
#include "base/string_list.h"
#include "base/update_progress.h"
#include "log/diagnostic_log.h"
#include "pathdef/edit_file.h"
#include "platform/services.h"
#include "platform/sleeper.h"

namespace vorex {

// What the command line asks of the run.
struct RunRequest {
  // The pairs, as the command line gave them (see ParsedCommandLine).
  StringList commands;
  StringList paths;
  // -matlabroot: exactly these installations' toolbox/local/pathdef.m, in this order, and
  // nothing looked for.
  StringList matlabRoots;
  // -check on: every edit worked out, nothing written; the status says whether any file would
  // change.
  bool check = false;
  // -octave on: GNU Octave's site startup files as well.
  bool octave = false;
  // -notfound ok: finding no file at all is a success (status 0), not the not-found outcome.
  bool notFoundOk = false;
};

// What the run works with. `running` is the shared flag that the user's Cancel clears and the
// run clears at each of its outcomes.
struct RunContext {
  const PlatformServices& platform;
  const RunRequest& request;
  DiagnosticLog& log;
  Sleeper& sleeper;
  std::atomic<int>& running;
  UpdateProgress& progress;
};

// What the run did to each file it took up, in the order found (a named installation that is
// missing where it stood); empty when it took up none (nothing found, or cancelled before).
struct RunResult {
  std::vector<FileEdit> files;
  // What the process will exit with (also given to progress.SetOutcome, but for a cancel, which
  // the dialog tells).
  ExitStatus status = kExitSuccess;
  // The "Failed: " lines, in order, and the text of the box that told the outcome (not found,
  // failure); empty when none was shown.
  StringList problems;
  std::string message;
};

// The outcome goes to progress.SetOutcome; the report of every file to the log.
RunResult RunUpdate(const RunContext& ctx);

}  // namespace vorex
