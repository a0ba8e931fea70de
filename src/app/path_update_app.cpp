#include "app/path_update_app.h"

namespace vorex {

int CPathUpdateApp::InitInstance(const std::string& commandLine) {
  ParsedCommandLine parsed = ParseCommandLine(commandLine);
  if (parsed.problem.empty())
    parsed.problem = CheckDirectories(parsed.paths, services_.rules, services_.currentDirectory);
  if (!parsed.problem.empty()) {
    // Nothing else happens: no dialog, no log file, no file touched.
    services_.showUsage(UsageText(parsed.problem), kUsageCaption);
    return kExitUsage;
  }
  std::unique_ptr<DialogWindow> window = services_.makeWindow();
  int status = kExitSuccess;
  {
    CPathUpdateDlg dlg(parsed.logSwitch, &parsed.commands, &parsed.paths,
                       DialogServices{services_.registry, services_.fs, services_.sleeper, *window, services_.rules,
                                      services_.appTitle},
                       services_.job);
    dlg.DoModal();
    status = dlg.Result();
  }
  return status;
}

}  // namespace vorex
