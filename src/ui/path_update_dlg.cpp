#include "ui/path_update_dlg.h"

#include <system_error>

namespace vorex {

std::thread* g_pUpdateThread = nullptr;

namespace {
constexpr unsigned kPollMilliseconds = 250;
// SetTimer is asked for ids 0, 1, 2, ... up to this many before the dialog gives up.
constexpr unsigned kTimerIdAttempts = 64;
constexpr char kInitialStatus[] = "Searching Registry for MATLAB Installations...";
}  // namespace

CPathUpdateDlg::CPathUpdateDlg(int bLog, const StringList* pCommands, const StringList* pPaths, DialogServices services,
                               UpdateJob job)
    : m_bLog(bLog), m_commands(*pCommands), m_paths(*pPaths), m_services(std::move(services)), m_job(std::move(job)) {
  if (m_bLog == 1) m_log.Open(m_services.fs, "vorex.log", m_services.rules.windows);
}

CPathUpdateDlg::~CPathUpdateDlg() {
  // Normally joined in OnDestroyWindow; a dialog that never ran its window joins here.
  if (m_pUpdateThread && m_pUpdateThread->joinable()) m_pUpdateThread->join();
  if (g_pUpdateThread == m_pUpdateThread.get()) g_pUpdateThread = nullptr;
}

int CPathUpdateDlg::DoModal() {
  int result = m_services.window.RunModal(*this);
  // A window that could not be shown ran nothing: that is no success.
  if (result == -1 && !m_pUpdateThread) SetOutcome(kExitFailure);
  return result;
}

bool CPathUpdateDlg::OnInitDialog() {
  m_services.window.SetItemText(kIdcStatusText, kInitialStatus);
  m_bRunning = 1;
  if (!m_pUpdateThread) {
    try {
      m_pUpdateThread = std::make_unique<std::thread>([this] {
        if (m_job) m_job(*this);
        m_services.window.NotifyWorkerEnded();
      });
      g_pUpdateThread = m_pUpdateThread.get();
    } catch (const std::system_error&) {
      // No worker: the dialog keeps its first text until the user closes it.
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
  ShowMessage("MATLAB path updated CANCELLED!\n\nFrom the MATLAB prompt, run PATHTOOL and\n" + PairListing());
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
  }
  if (m_pUpdateThread) {
    m_services.window.SetItemText(kIdcStatusText, "Exiting...");
    // Serves the worker's calls into the window while it waits, so the worker can always end.
    m_services.window.WaitForWorker();
    m_pUpdateThread->join();
  }
  m_commands.clear();
  m_paths.clear();
}

std::string CPathUpdateDlg::PairListing() const {
  std::string listing;
  for (std::size_t i = 0; i < m_commands.size(); ++i) {
    listing += m_commands[i];
    listing += " \"";
    if (i < m_paths.size()) listing += m_paths[i];
    listing += " \"\n";
  }
  return listing;
}

void CPathUpdateDlg::ShowMessage(const std::string& text) {
  m_services.window.MessageBox(text, m_services.appTitle, kMessageBoxStyle);
}

ExitStatus CPathUpdateDlg::Result() const {
  int outcome = m_outcome;
  if (outcome >= 0) return static_cast<ExitStatus>(outcome);
  return m_bCancelled ? kExitCancelled : kExitSuccess;
}

std::string CloseTimeMessage(const StringList& paths) {
  std::string named;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    if (i > 0) named += "\n";
    named += "\"" + paths[i] + "\"";
  }
  return "MATLAB path updated CANCELLED! \n\nFrom the MATLAB prompt, run PATHTOOL and add\n" + named +
         " to your MATLAB path.";
}

}  // namespace vorex
