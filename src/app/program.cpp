#include "app/program.h"

#include "app/path_update_app.h"
#include "run/update_run.h"

namespace vorex {

int RunProgram(ProgramPlatform platform, const std::string& commandLine) {
  AppServices services{std::move(platform.services), std::move(platform.makeWindow), std::move(platform.showUsage),
                       [](const UpdateContext& ctx, UpdateProgress& progress) { RunUpdate(ctx, progress); }};
  return CPathUpdateApp(std::move(services)).InitInstance(commandLine);
}

}  // namespace vorex
