#include "run/update_run.h"

#include "discovery/discovery.h"
#include "pathdef/edit_passes.h"

namespace vorex {

const char kNotFoundHeading[] =
    "WARNING: The MATLAB \"pathdef.m\" file could not be found.\n\nFrom the MATLAB prompt, run PATHTOOL, and\n";
const char kFailureHeading[] =
    "An error ocurred while updating \"pathdef.m\".\n\nFrom the MATLAB prompt, run PATHTOOL and\n";
const char kModifyingStatus[] = "Modifying MATLAB Path Information...";

int RunUpdate(CPathUpdateDlg& dlg) {
  DialogServices& s = dlg.m_services;
  StringList foundFiles;

  s.sleeper.Sleep(1000);
  int hit = FindPathdefInRegistry(s.registry, s.fs, s.rules, foundFiles);
  s.sleeper.Sleep(2000);
  if (!hit) ScanFixedDrives(ScanContext{s.fs, dlg.m_log, dlg.m_bRunning, s.window, s.rules}, foundFiles);

  // A cancel up to here ends the run quietly; from here on the passes run to their end.
  if (dlg.m_bRunning == 0) return 0;

  if (foundFiles.empty()) {
    dlg.SetOutcome(kExitNotFound);
    dlg.ShowMessage(kNotFoundHeading + dlg.PairListing());
    dlg.m_bRunning = 0;
    return 0;
  }

  s.window.SetItemText(kIdcDetailText, "");
  s.window.SetItemText(kIdcStatusText, kModifyingStatus);
  std::size_t fileCount = foundFiles.size();
  StringList problems;
  EditContext edit{dlg.m_commands, dlg.m_paths, s.fs, dlg.m_log, s.rules, &problems};
  int removed = RemovePathEntries(edit, foundFiles);
  int added = AddPathEntries(edit, foundFiles);

  if (removed == 1 && added == 1) {
    dlg.SetOutcome(kExitSuccess);
    s.sleeper.Sleep(3000);
    s.window.SetItemText(kIdcStatusText, fileCount == 1 ? std::string("MATLAB Path Update Complete.")
                                                        : "MATLAB Path Update Complete (" + std::to_string(fileCount) +
                                                              " paths modified).");
    s.window.EnableItem(kIdcCancelButton, false);
    s.sleeper.Sleep(3000);
  } else {
    dlg.SetOutcome(kExitFailure);
    dlg.ShowMessage(kFailureHeading + dlg.PairListing());
    for (const std::string& line : problems) s.window.ShowProblem(line);
  }
  dlg.m_bRunning = 0;
  return 0;
}

unsigned UpdateThreadProc(void* dialog) {
  return static_cast<unsigned>(RunUpdate(*static_cast<CPathUpdateDlg*>(dialog)));
}

}  // namespace vorex
