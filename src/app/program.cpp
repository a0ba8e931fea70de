#include "app/program.h"

#include "app/command_line.h"

namespace vorex {

int RunProgram(AppPlatform platform, const std::string& commandLine) {
  return RunProgram(std::move(platform), ParseCommandLine(commandLine));
}

int RunProgram(AppPlatform platform, ParsedCommandLine parsed) {
  CPathUpdateApp app(std::move(platform));
  return app.InitInstance(std::move(parsed));
}

}  // namespace vorex
