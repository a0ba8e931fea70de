#pragma once
// The program's body, the same on every platform: each main builds its platform objects, then
// hands them over with the command line.
#include <string>

#include "app/path_update_app.h"

namespace vorex {

// Runs the update that the command line asks for; returns the process's exit status.
int RunProgram(AppPlatform platform, const std::string& commandLine);
// The same for a command line that the platform's own parser has read (POSIX: ParseArguments).
int RunProgram(AppPlatform platform, ParsedCommandLine parsed);

}  // namespace vorex
