#include "app/program.h"

#include "app/command_line.h"
#include "run/update_run.h"

namespace vorex {

int RunProgram(AppPlatform platform, const std::string& commandLine) {
  return RunProgram(std::move(platform), ParseCommandLine(commandLine));
}

int RunProgram(AppPlatform platform, ParsedCommandLine parsed) {
  CPathUpdateApp app(std::move(platform),
                     [](const UpdateContext& ctx, UpdateProgress& progress) { RunUpdate(ctx, progress); });
  return app.InitInstance(std::move(parsed));
}

}  // namespace vorex
