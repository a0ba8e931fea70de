#include "app/path_update_app.h"

#include "app/command_line.h"
#include "base/messages.h"

namespace vorex {

int CPathUpdateApp::InitInstance(const std::string& commandLine) {
  const PlatformServices& platform = platform_.services;
  ParsedCommandLine parsed = ParseCommandLine(commandLine);
  if (parsed.problem.empty())
    parsed.problem = CheckDirectories(parsed.paths, platform.rules, platform.currentDirectory);
  if (!parsed.problem.empty()) {
    // Nothing else happens: no dialog, no log file, no file touched.
    platform_.showUsage(UsageText(parsed.problem), kUsageCaption);
    return kExitUsage;
  }
  std::unique_ptr<DialogWindow> window = platform_.makeWindow();
  CPathUpdateDlg dlg(parsed.logSwitch, &parsed.commands, &parsed.paths, DialogServices{platform, *window}, job_);
  dlg.DoModal();
  return dlg.Result();
}

}  // namespace vorex
