#pragma once
// Start-up: read the command line, show the usage message or run the progress dialog.
#include <functional>
#include <memory>
#include <string>

#include "app/command_line.h"
#include "platform/dialog_window.h"
#include "platform/services.h"
#include "run/update_run.h"
#include "ui/path_update_dlg.h"

namespace vorex {

// What a main hands to the program: its platform objects and how it shows things.
struct AppPlatform {
  PlatformServices services;
  std::function<std::unique_ptr<DialogWindow>()> makeWindow;
  // Shows the usage message: a box with no owner and one OK button, or its stand-in.
  std::function<void(const std::string& text, const std::string& caption)> showUsage;
  // What a person asked for with --help or --version (POSIX: standard output).
  std::function<void(const std::string& text, const std::string& caption)> showHelp;
  // -silent on: a window that shows nothing and waits for nobody, but still hears a request to
  // close (a signal, the end of the session); its boxes' texts go to writeError.
  std::function<std::unique_ptr<DialogWindow>()> makeSilentWindow;
  // Standard error where there is one; may do nothing.
  std::function<void(const std::string& text)> writeError;
  // Standard output where there is one (the report of an unattended run); may be empty. False,
  // with the reason, when not all of the text could be written there.
  std::function<bool(const std::string& text, std::string* why)> writeOutput{};
  // Why nobody can answer a window or a box here (the console program; a window station that is
  // not interactive, such as a service's in session 0): every run is then as with -silent on,
  // and the log says why. Empty where a person may be at the screen.
  std::string unattended{};
};

class CPathUpdateApp {
 public:
  explicit CPathUpdateApp(AppPlatform platform) : platform_(std::move(platform)) {}
  // Returns the process's exit status. Windows hands over its one command line.
  int InitInstance(const std::string& commandLine);
  // The command line as the platform's own parser read it (POSIX: ParseArguments).
  int InitInstance(ParsedCommandLine parsed);

 private:
  // False, after telling the user, when the line cannot be run.
  bool Usable(ParsedCommandLine& parsed, bool silent);
  int Run(const ParsedCommandLine& parsed, bool silent);
  // The report on standard output: text or JSON, with or without the diffs. One that cannot be
  // written there is said on standard error and fails a run that would have succeeded.
  struct ReportForm {
    bool json = false;
    bool diffs = false;
  };
  void WriteReport(const RunRequest& request, const RunResult& result, ReportForm form, DiagnosticLog& log,
                   UpdateProgress& progress);

  AppPlatform platform_;
};

}  // namespace vorex
