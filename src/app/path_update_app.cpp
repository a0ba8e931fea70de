#include "app/path_update_app.h"

#include "app/command_line.h"
#include "base/messages.h"
#include "platform/sleeper.h"
#include "run/report.h"
#include "run/update_run.h"

namespace vorex {

int CPathUpdateApp::InitInstance(const std::string& commandLine) {
  return InitInstance(ParseCommandLine(commandLine));
}

int CPathUpdateApp::InitInstance(ParsedCommandLine parsed) {
  using Request = ParsedCommandLine::Request;
  if (parsed.request != Request::kRun) {
    // A person asked: that is no error.
    platform_.showHelp(parsed.request == Request::kHelp ? HelpText() : VersionText(), kUsageCaption);
    return kExitSuccess;
  }
  // A check is unattended too: it only answers, through its status and its report; and where
  // nobody can answer a box, every run is.
  bool silent = parsed.silentSwitch == 1 || parsed.checkSwitch == 1 || !platform_.unattended.empty();
  if (!Usable(parsed, silent)) return kExitUsage;
  return Run(parsed, silent);
}

bool CPathUpdateApp::Usable(ParsedCommandLine& parsed, bool silent) {
  const PlatformServices& platform = platform_.services;
  if (parsed.problem.empty())
    parsed.problem = CheckDirectories(parsed.paths, platform.rules, platform.currentDirectory);
  if (parsed.problem.empty())
    parsed.problem = CheckMatlabRoots(parsed.matlabRoots, platform.rules, platform.currentDirectory);
  if (parsed.problem.empty()) parsed.problem = CheckLogFile(parsed.logFile, platform.rules, platform.currentDirectory);
  if (parsed.problem.empty()) return true;
  // Nothing else happens: no dialog, no log file, no file touched.
  if (!silent) {
    platform_.showUsage(UsageText(parsed.problem), kUsageCaption);
  } else if (platform_.writeError) {
    platform_.writeError(std::string(kUsageCaption) + "\n" + UsageText(parsed.problem));
  }
  return false;
}

void CPathUpdateApp::WriteReport(const RunRequest& request, const RunResult& result, ReportForm form,
                                 DiagnosticLog& log, UpdateProgress& progress) {
  std::string why;
  if (!platform_.writeOutput || (!form.json && !TookUpFiles(result))) return;
  std::string report = form.json ? ReportJson(request, result, form.diffs) : ReportText(result.files, form.diffs);
  if (platform_.writeOutput(report, &why)) return;
  // A caller that reads the report would take a missing one for "nothing to do".
  std::string line = "Failed: write the report to standard output: " + why;
  log.WriteLog(line);
  if (platform_.writeError) platform_.writeError(line + "\n");
  if (result.status == kExitSuccess) progress.SetOutcome(kExitFailure);
}

int CPathUpdateApp::Run(const ParsedCommandLine& parsed, bool silent) {
  const PlatformServices& platform = platform_.services;
  // Unattended: no window and no pauses, which exist only so that a person can read the dialog.
  static NoSleeper noPauses;
  Sleeper& sleeper = silent ? static_cast<Sleeper&>(noPauses) : platform.sleeper;
  RunRequest request{parsed.commands,          parsed.paths,     parsed.matlabRoots, parsed.checkSwitch == 1,
                     parsed.octaveSwitch == 1, parsed.notFoundOk};
  ReportForm form{parsed.reportFormat == ParsedCommandLine::ReportFormat::kJson, parsed.diffSwitch == 1};
  auto job = [&](DiagnosticLog& log, std::atomic<int>& running, UpdateProgress& progress) {
    RunResult result = RunUpdate({platform, request, log, sleeper, running, progress});
    // Callers that run it unattended, or ask for the JSON report, read the report; a person
    // reads the dialog.
    if (silent || form.json) WriteReport(request, result, form, log, progress);
  };
  std::unique_ptr<DialogWindow> window = silent ? platform_.makeSilentWindow() : platform_.makeWindow();
  std::string notice;
  if (!platform_.unattended.empty() && parsed.silentSwitch != 1 && parsed.checkSwitch != 1)
    notice = "Unattended: " + platform_.unattended + "; running as with -silent on";
  CPathUpdateDlg dlg(parsed.logSwitch, &parsed.commands, &parsed.paths,
                     {platform, *window, silent, parsed.logFile, notice}, job);
  if (!dlg.LogRefusal().empty() && platform_.writeError) platform_.writeError(dlg.LogRefusal() + "\n");
  dlg.DoModal();
  return dlg.Result();
}

}  // namespace vorex
