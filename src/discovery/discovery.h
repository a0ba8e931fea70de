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

// The program's own bitness decides which registry view it sees first.
inline constexpr bool kProgramIs64Bit = sizeof(void*) == 8;

// Every installation that the registry names, read with KEY_READ in both registry views: the
// automation server's (its command line cut at the last "bin", then toolbox\local\pathdef.m),
// first, then each release under HKLM\SOFTWARE\MathWorks\MATLAB\<version> (its MATLABROOT)
// in ascending version order. Only files that exist, each once; each is logged as
// "Registry: <path>". 1 when any was appended, else 0.
int FindPathdefInRegistry(Registry& registry, FileSystem& fs, const PathRules& rules, StringList& foundFiles,
                          DiagnosticLog* log = nullptr, bool program64 = kProgramIs64Bit);

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
