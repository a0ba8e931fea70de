#include "app/program.h"

#include "run/update_run.h"

namespace vorex {

int RunProgram(AppPlatform platform, const std::string& commandLine) {
  CPathUpdateApp app(std::move(platform),
                     [](const UpdateContext& ctx, UpdateProgress& progress) { RunUpdate(ctx, progress); });
  return app.InitInstance(commandLine);
}

}  // namespace vorex
