#include "discovery/octave_discovery.h"

#include <set>

#include "base/ascii.h"
#include "base/paths.h"

namespace vorex {

StringList FindOctaveStartupFiles(FileSystem& fs, OctavePlaces& places, const PathRules& rules, DiagnosticLog& log) {
  StringList files;
  std::set<std::string> seen;
  for (const std::string& prefix : places.Prefixes()) {
    std::string dir = prefix;
    for (const char* part : {"share", "octave", "site", "m", "startup"}) dir = JoinPath(dir, part, rules);
    std::string id;
    if (!fs.FileIdentity(dir, &id) || !seen.insert(id).second) continue;
    std::string file = JoinPath(dir, "octaverc", rules);
    log.WriteLog("Octave: " + OneLine(file));
    files.push_back(file);
  }
  return files;
}

}  // namespace vorex
