#pragma once
// Finding the site startup files of the GNU Octave installations, for -octave on.
#include "base/path_rules.h"
#include "base/string_list.h"
#include "log/diagnostic_log.h"
#include "platform/file_system.h"
#include "platform/octave_places.h"

namespace vorex {

// <prefix>/share/octave/site/m/startup/octaverc of every candidate prefix whose startup folder
// exists (the file itself is made when missing), each folder once however it is reached; each
// logged as "Octave: <path>".
StringList FindOctaveStartupFiles(FileSystem& fs, OctavePlaces& places, const PathRules& rules, DiagnosticLog& log);

}  // namespace vorex
