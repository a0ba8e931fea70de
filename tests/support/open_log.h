#pragma once
// Opens a log as a run would, for tests that look at one piece with a log of its own.
#include <string>

#include "log/diagnostic_log.h"
#include "platform/memory_registry.h"
#include "platform/services.h"
#include "platform/sleeper.h"

namespace vorex::testing {

inline void OpenLog(DiagnosticLog& log, FileSystem& fs, Identity& identity, const std::string& path, bool crlf,
                    bool withRights = false) {
  MemoryRegistry registry;
  NoSleeper sleeper;
  PlatformServices platform{registry, fs, identity, sleeper, crlf ? PathRules::Windows() : PathRules::Posix(),
                            "",       "", nullptr,  nullptr, withRights};
  log.Open(platform, path);
}

}  // namespace vorex::testing
