#pragma once
// Finding the pathdef.m files to edit: the registered installation first, else every fixed drive.
#include <atomic>
#include <string>

#include "base/path_rules.h"
#include "base/string_list.h"
#include "base/update_progress.h"
#include "log/diagnostic_log.h"
#include "platform/file_system.h"
#include "platform/registry.h"

namespace vorex {

// Follows the automation server's registration to its command line, cuts it at the last "bin"
// and appends <root>toolbox\local\pathdef.m when that exists. 1 on a hit, else 0.
int FindPathdefInRegistry(Registry& registry, FileSystem& fs, const PathRules& rules, StringList& foundFiles);

struct ScanContext {
  FileSystem& fs;
  DiagnosticLog& log;
  const std::atomic<int>& running;  // cleared by the user's Cancel
  UpdateProgress& progress;         // status and detail lines
  PathRules rules;
};

// Walks every fixed drive, highest first, appending each LOCAL\PATHDEF.M found.
void ScanFixedDrives(const ScanContext& ctx, StringList& foundFiles);
// Walks one directory and everything beneath it, depth first, in pre-order.
void ScanForPathdef(const ScanContext& ctx, const std::string& dir, StringList& foundFiles);

}  // namespace vorex
