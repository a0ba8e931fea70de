#pragma once
// The whole job, once, on the worker thread: find the pathdef.m files, carry out every REMOVE
// and then every ADD, and tell the user the outcome.
#include <atomic>

#include "base/path_rules.h"
#include "base/string_list.h"
#include "base/update_progress.h"
#include "log/diagnostic_log.h"
#include "platform/file_system.h"
#include "platform/octave_places.h"
#include "platform/registry.h"
#include "platform/sleeper.h"
#include "platform/user_directory.h"

namespace vorex {

// What the command line asks of the run beyond the pairs.
struct RunOptions {
  // -matlabroot: exactly these installations' toolbox/local/pathdef.m, in this order, and
  // nothing looked for.
  StringList matlabRoots;
  // -check on: every edit worked out, nothing written; the status says whether any file would
  // change.
  bool check = false;
  // -octave on: GNU Octave's site startup files as well.
  bool octave = false;
};

// What the run works with. The lists are read only; `running` is the shared flag that the
// user's Cancel clears and the run clears at each of its outcomes.
struct UpdateContext {
  const StringList& commands;
  const StringList& paths;
  DiagnosticLog& log;
  Registry& registry;
  FileSystem& fs;
  Sleeper& sleeper;
  PathRules rules;
  std::atomic<int>& running;
  // The users whose own copies of pathdef.m are edited too; none when null.
  UserDirectory* users = nullptr;
  // Defaults when null.
  const RunOptions* options = nullptr;
  // Where GNU Octave may be installed; none when null.
  OctavePlaces* octave = nullptr;
};

// Returns 0; the outcome goes to progress.SetOutcome. At the end of a run that took up files,
// one report line per file goes to the log and to progress.ShowReport:
//   changed <path> | unchanged <path> | would change <path> | failed <path> | skipped <path>
int RunUpdate(const UpdateContext& ctx, UpdateProgress& progress);

}  // namespace vorex
