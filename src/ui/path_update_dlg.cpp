#include "ui/path_update_dlg.h"

#include <system_error>

#include "base/messages.h"

namespace vorex {

namespace {
constexpr unsigned kPollMilliseconds = 250;
// SetTimer is asked for ids 0, 1, 2, ... up to this many before the dialog gives up.
constexpr unsigned kTimerIdAttempts = 64;
}  // namespace

CPathUpdateDlg::CPathUpdateDlg(int bLog, const StringList* pCommands, const StringList* pPaths, DialogServices services,
                               UpdateJob job)
    : m_bLog(bLog), m_commands(*pCommands), m_paths(*pPaths), m_services(std::move(services)), m_job(std::move(job)) {
  if (!m_services.logFile.empty()) {
    m_log.Open(m_services.platform, m_services.logFile, true);
  } else if (m_bLog == 1) {
    m_log.Open(m_services.platform, "vorex.log");
  }
  if (!m_services.notice.empty()) m_log.WriteLog(m_services.notice);
}

CPathUpdateDlg::~CPathUpdateDlg() {
  // Normally joined in OnDestroyWindow; a dialog that never ran its window joins here.
  if (m_pUpdateThread && m_pUpdateThread->joinable()) m_pUpdateThread->join();
}

int CPathUpdateDlg::DoModal() {
  int result = m_services.window.RunModal(*this);
  // A window that could not be shown ran nothing: that is no success.
  if (result == -1 && !m_pUpdateThread) SetOutcome(kExitFailure);
  return result;
}

bool CPathUpdateDlg::OnInitDialog() {
  m_services.window.SetItemText(kIdcStatusText, kSearchingRegistryStatus);
  m_bRunning = 1;
  if (!m_pUpdateThread) {
    try {
      m_pUpdateThread = std::make_unique<std::thread>([this] {
        if (m_job) m_job(m_log, m_bRunning, *this);
        m_services.window.NotifyWorkerEnded();
      });
    } catch (const std::system_error& e) {
      // No worker: the dialog keeps its first text until the user closes it. Nobody closes an
      // unattended run's, so that one ends at once, as a failure that says why.
      if (m_services.silent) m_startProblem = "Failed: start the update: " + e.code().message();
    }
  }
  m_nTimerId = 0;
  while (!m_services.window.SetTimer(m_nTimerId, kPollMilliseconds)) {
    if (++m_nTimerId == kTimerIdAttempts) {
      // Without a timer nothing would ever end the dialog: close it as the user would.
      m_services.window.EndDialog(kIdCancel);
      break;
    }
  }
  if (!m_startProblem.empty()) {
    SetOutcome(kExitFailure);
    m_services.window.EndDialog(kIdCancel);
  }
  return true;
}

void CPathUpdateDlg::OnTimer(unsigned /*id*/) {
  if (m_bRunning == 1) return;
  m_services.window.KillTimer(m_nTimerId);
  m_services.window.EndDialog(kIdCancel);
}

void CPathUpdateDlg::OnCancelButton() {
  m_bRunning = 0;
  m_bCancelled = true;
  ShowMessage(kCancelledHeading + PairListing());
  m_services.window.EndDialog(kIdCancel);
}

void CPathUpdateDlg::OnCloseRequest() {
  m_services.window.EndDialog(kIdCancel);
}

void CPathUpdateDlg::OnDestroyWindow() {
  if (m_bRunning != 0) {
    m_bRunning = 0;
    m_bCancelled = true;
    ShowMessage(CloseTimeMessage(m_paths));
    if (!m_startProblem.empty()) ShowProblem(m_startProblem);
  }
  if (m_pUpdateThread) {
    m_services.window.SetItemText(kIdcStatusText, kExitingStatus);
    // Serves the worker's calls into the window while it waits, so the worker can always end.
    m_services.window.WaitForWorker();
    m_pUpdateThread->join();
  }
  m_commands.clear();
  m_paths.clear();
}

std::string CPathUpdateDlg::PairListing() const {
  return vorex::PairListing(m_commands, m_paths);
}

void CPathUpdateDlg::SetStatusText(const std::string& text) {
  m_services.window.SetItemText(kIdcStatusText, text);
}

void CPathUpdateDlg::SetDetailText(const std::string& text) {
  m_services.window.SetItemText(kIdcDetailText, text);
}

void CPathUpdateDlg::DisableCancel() {
  m_services.window.EnableItem(kIdcCancelButton, false);
}

void CPathUpdateDlg::ShowMessage(const std::string& text) {
  // Nobody reads a box in an unattended run; the log keeps what it would have said.
  if (m_services.silent) m_log.WriteLog(!text.empty() && text.back() == '\n' ? text.substr(0, text.size() - 1) : text);
  m_services.window.MessageBox(text, m_services.platform.appTitle, kMessageBoxStyle);
}

void CPathUpdateDlg::ShowProblem(const std::string& line) {
  m_services.window.ShowProblem(line);
}

ExitStatus CPathUpdateDlg::Result() const {
  int outcome = m_outcome;
  if (outcome >= 0) return static_cast<ExitStatus>(outcome);
  return m_bCancelled ? kExitCancelled : kExitSuccess;
}

}  // namespace vorex
