#pragma once
// The progress dialog: it owns the run's state (the pairs, the running flag, the log), starts
// the worker, polls for the end of the run and handles Cancel and closing.
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "app/command_line.h"
#include "log/diagnostic_log.h"
#include "platform/dialog_window.h"
#include "platform/file_system.h"
#include "platform/path_rules.h"
#include "platform/registry.h"
#include "platform/sleeper.h"

namespace vorex {

// What installers and scripts read back.
enum ExitStatus : int {
  kExitSuccess = 0,
  kExitFailure = 1,
  kExitNotFound = 2,
  kExitCancelled = 3,
  kExitUsage = 64,
};

struct DialogServices {
  Registry& registry;
  FileSystem& fs;
  Sleeper& sleeper;
  DialogWindow& window;
  PathRules rules;
  std::string appTitle;  // caption of every message box
};

class CPathUpdateDlg : public DialogEvents {
 public:
  using UpdateJob = std::function<void(CPathUpdateDlg&)>;

  CPathUpdateDlg(int bLog, const StringList* pCommands, const StringList* pPaths, DialogServices services,
                 UpdateJob job);
  ~CPathUpdateDlg() override;
  CPathUpdateDlg(const CPathUpdateDlg&) = delete;
  CPathUpdateDlg& operator=(const CPathUpdateDlg&) = delete;

  int DoModal();

  bool OnInitDialog() override;
  void OnTimer(unsigned id) override;
  void OnCancelButton() override;
  void OnCloseRequest() override;
  void OnDestroyWindow() override;

  void WriteLog(std::string_view text) { m_log.WriteLog(text); }
  // One line per pair, in list order: the command, a blank and the quoted directory.
  std::string PairListing() const;
  // A box owned by the dialog, with the application's caption and the warning style.
  void ShowMessage(const std::string& text);
  void SetOutcome(ExitStatus outcome) { m_outcome = outcome; }
  ExitStatus Result() const;

  std::atomic<int> m_bRunning{0};
  const int m_bLog;
  unsigned m_nTimerId = 0;
  StringList m_commands;
  StringList m_paths;
  DiagnosticLog m_log;
  DialogServices m_services;

 private:
  UpdateJob m_job;
  std::unique_ptr<std::thread> m_pUpdateThread;
  std::atomic<int> m_outcome{-1};
  std::atomic<bool> m_bCancelled{false};
};

// The worker of the dialog that is running, if any; read on the UI thread only.
extern std::thread* g_pUpdateThread;

std::string CloseTimeMessage(const StringList& paths);

}  // namespace vorex
