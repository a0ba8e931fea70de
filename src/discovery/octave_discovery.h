#pragma once
// Finding the site startup files of the GNU Octave installations, for -octave on.
#include "base/found_file.h"
#include "base/path_rules.h"
#include "base/string_list.h"
#include "log/diagnostic_log.h"
#include "platform/file_system.h"
#include "platform/octave_places.h"
#include "platform/registry.h"

namespace vorex {

// The installations that Octave's Windows installer recorded: a key Uninstall\Octave-<version>
// (its UninstallString naming <installation>\uninstall.exe; the installer writes no install
// location), in both registry views.
StringList OctaveInstallationsInRegistry(Registry& registry, const PathRules& rules);

// <prefix>/share/octave/site/m/startup/octaverc of every candidate prefix whose startup folder
// exists (the file itself is made when missing), each path once; each logged as
// "Octave: <path>". The candidates are the platform's, then each recorded
// installation's mingw64, mingw32 and the installation itself.
FoundFiles FindOctaveStartupFiles(FileSystem& fs, OctavePlaces& places, Registry& registry, const PathRules& rules,
                                  DiagnosticLog& log);

}  // namespace vorex
