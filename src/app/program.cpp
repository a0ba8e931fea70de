#include "app/program.h"

#include "run/update_run.h"

namespace vorex {

namespace {

CPathUpdateApp MakeApp(AppPlatform platform) {
  return CPathUpdateApp(std::move(platform),
                        [](const UpdateContext& ctx, UpdateProgress& progress) { RunUpdate(ctx, progress); });
}

}  // namespace

int RunProgram(AppPlatform platform, const std::string& commandLine) {
  return MakeApp(std::move(platform)).InitInstance(commandLine);
}

int RunProgram(AppPlatform platform, ParsedCommandLine parsed) {
  return MakeApp(std::move(platform)).InitInstance(std::move(parsed));
}

}  // namespace vorex
