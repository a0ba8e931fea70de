#pragma once
// The progress dialog: it owns the run's state (the pairs, the running flag, the log), starts
// the worker, polls for the end of the run and handles Cancel and closing. It is the run's
// progress: the worker's texts, boxes and outcome go through it to the window.
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "base/exit_status.h"
#include "base/string_list.h"
#include "base/update_progress.h"
#include "log/diagnostic_log.h"
#include "platform/dialog_window.h"
#include "platform/services.h"

namespace vorex {

struct DialogServices {
  const PlatformServices& platform;
  DialogWindow& window;
  // An unattended run: every box's text is also written to the log, as one block.
  bool silent = false;
  // -logfile: the log is appended to this file, whatever the log switch says.
  std::string logFile{};
  // A line for the log before anything else (why the run is unattended); may be empty.
  std::string notice{};
};

class CPathUpdateDlg : public DialogEvents, public UpdateProgress {
 public:
  // The worker's job: the update run, or a stand-in in tests. `running` is the dialog's flag.
  using UpdateJob = std::function<void(DiagnosticLog& log, std::atomic<int>& running, UpdateProgress& progress)>;

  CPathUpdateDlg(int bLog, const StringList* pCommands, const StringList* pPaths, DialogServices services,
                 UpdateJob job);
  ~CPathUpdateDlg() override;
  CPathUpdateDlg(const CPathUpdateDlg&) = delete;
  CPathUpdateDlg& operator=(const CPathUpdateDlg&) = delete;

  int DoModal();
  ExitStatus Result() const;
  // Why the log asked for was refused (a run with rights); empty otherwise.
  const std::string& LogRefusal() const { return m_log.Refusal(); }
  // One line per pair, in list order: the command, a blank and the quoted directory.
  std::string PairListing() const;
  const StringList& Commands() const { return m_commands; }
  unsigned TimerId() const { return m_nTimerId; }

  // The window's events.
  bool OnInitDialog() override;
  void OnTimer(unsigned id) override;
  void OnCancelButton() override;
  void OnCloseRequest() override;
  void OnDestroyWindow() override;

  // The run's progress.
  void SetStatusText(const std::string& text) override;
  void SetDetailText(const std::string& text) override;
  void DisableCancel() override;
  void ShowMessage(const std::string& text) override;
  void ShowProblem(const std::string& line) override;
  void SetOutcome(ExitStatus outcome) override { m_outcome = outcome; }

  // 1 while the run goes, 0 once it has ended or was cancelled; shared with the worker.
  std::atomic<int> m_bRunning{0};

 private:
  const int m_bLog;
  unsigned m_nTimerId = 0;
  StringList m_commands;
  StringList m_paths;
  DiagnosticLog m_log;
  DialogServices m_services;
  UpdateJob m_job;
  std::unique_ptr<std::thread> m_pUpdateThread;
  std::atomic<int> m_outcome{-1};
  std::atomic<bool> m_bCancelled{false};
  std::string m_startProblem;  // why an unattended run's worker could not start
};

}  // namespace vorex
