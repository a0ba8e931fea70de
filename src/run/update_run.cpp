#include "run/update_run.h"

#include "base/ascii.h"
#include "base/messages.h"
#include "base/paths.h"
#include "discovery/discovery.h"
#include "discovery/octave_discovery.h"
#include "discovery/user_copies.h"
#include "pathdef/edit_passes.h"

namespace vorex {

namespace {

// A named root without its file: reported, and the run fails once the others are edited.
struct MissingRoot {
  std::size_t position;  // among the files found, for the report's order
  std::string path;
};

// The installations named on the command line, in the order given.
StringList FindNamedInstallations(const UpdateContext& ctx, const StringList& roots, std::vector<MissingRoot>* missing,
                                  StringList* problems) {
  StringList found;
  for (const std::string& root : roots) {
    std::string path =
        JoinPath(JoinPath(JoinPath(root, "toolbox", ctx.rules), "local", ctx.rules), "pathdef.m", ctx.rules);
    EntryOwner entry;
    if (ctx.fs.InspectEntry(path, &entry)) {
      ctx.log.WriteLog("Root: " + path);
      found.push_back(path);
      continue;
    }
    std::string line = "Failed: find " + OneLine(path) + ": " + ctx.fs.LastError();
    ctx.log.WriteLog(line);
    problems->push_back(line);
    missing->push_back({found.size(), path});
  }
  return found;
}

std::string ReportLine(const FileRecords& records, const std::string& path, bool check) {
  auto it = records.find(path);
  const std::string name = OneLine(path);
  if (it == records.end() || !it->second.touched) return "skipped " + name;  // never reached
  const FileRecord& r = it->second;
  switch (r.outcome) {
    case FileOutcome::kFailed:
      return "failed " + name;
    case FileOutcome::kSkipped:
      return "skipped " + name;
    case FileOutcome::kChanged:
    case FileOutcome::kUnchanged:
      break;
  }
  if (check) return (r.checked && r.edited != r.original ? "would change " : "unchanged ") + name;
  return (r.outcome == FileOutcome::kChanged ? "changed " : "unchanged ") + name;
}

}  // namespace

int RunUpdate(const UpdateContext& ctx, UpdateProgress& progress) {
  static const RunOptions kDefaults;
  const RunOptions& options = ctx.options ? *ctx.options : kDefaults;
  StringList foundFiles;
  StringList problems;
  std::vector<MissingRoot> missingRoots;

  ctx.sleeper.Sleep(1000);
  if (!options.matlabRoots.empty()) {
    // Named installations: no registry, no launcher, no drive walk, no users' copies.
    foundFiles = FindNamedInstallations(ctx, options.matlabRoots, &missingRoots, &problems);
    ctx.sleeper.Sleep(2000);
  } else {
    int hit = FindPathdefInRegistry(ctx.registry, ctx.fs, ctx.rules, foundFiles, &ctx.log);
    ctx.sleeper.Sleep(2000);
    if (!hit) ScanFixedDrives(ScanContext{ctx.fs, ctx.log, ctx.running, progress, ctx.rules}, foundFiles);
  }

  // A cancel up to here ends the run quietly; from here on the passes run to their end.
  if (ctx.running == 0) return 0;

  // The users' own copies, which MATLAB reads before the installation's file: with rights
  // everyone's, otherwise only the running user's, so that a plain run never fails on files
  // it may not write.
  if (ctx.users && options.matlabRoots.empty()) {
    UserCopies copies = FindUserCopies(ctx.fs, *ctx.users, ctx.rules, ctx.fs.RunsWithRights());
    foundFiles = OrderFoundFiles(ctx.fs, foundFiles, copies, ctx.log);
  }

  // GNU Octave's site startup files, after every pathdef.m, on request only.
  if (options.octave && ctx.octave) {
    StringList octaveFiles = FindOctaveStartupFiles(ctx.fs, *ctx.octave, ctx.registry, ctx.rules, ctx.log);
    if (octaveFiles.empty()) ctx.log.WriteLog("Octave: no installation found");
    foundFiles.insert(foundFiles.end(), octaveFiles.begin(), octaveFiles.end());
  }

  if (foundFiles.empty()) {
    progress.SetOutcome(kExitNotFound);
    progress.ShowMessage(kNotFoundHeading + PairListing(ctx.commands, ctx.paths));
    for (const std::string& line : problems) progress.ShowProblem(line);
    ctx.running = 0;
    return 0;
  }

  progress.SetDetailText("");
  progress.SetStatusText(kModifyingStatus);
  FileRecords records;
  EditContext edit{ctx.commands, ctx.paths, ctx.fs, ctx.log, ctx.rules, &problems};
  edit.records = &records;
  edit.checkOnly = options.check;
  int removed = RemovePathEntries(edit, foundFiles);
  int added = AddPathEntries(edit, foundFiles);
  std::size_t fileCount = 0;
  StringList skipLines;
  for (const std::string& path : foundFiles) {
    if (!edit.Skipped(path)) {
      ++fileCount;
    } else {
      skipLines.push_back(records[path].skipLine);
    }
  }
  bool succeeded = removed == 1 && added == 1 && missingRoots.empty();

  // The report: every file found, in list order (a named root that was missing where it stood).
  std::string report;
  bool anyWouldChange = false;
  std::size_t nextMissing = 0;
  for (std::size_t i = 0; i <= foundFiles.size(); ++i) {
    for (; nextMissing < missingRoots.size() && missingRoots[nextMissing].position == i; ++nextMissing)
      report += "failed " + OneLine(missingRoots[nextMissing].path) + "\n";
    if (i == foundFiles.size()) break;
    std::string line = ReportLine(records, foundFiles[i], options.check);
    anyWouldChange |= line.rfind("would change ", 0) == 0;
    report += line + "\n";
  }

  if (succeeded && fileCount == 0) {
    // Every file found lay in another user's place and could not be edited with their rights:
    // there was no installation this run could update.
    progress.SetOutcome(kExitNotFound);
    progress.ShowMessage(kNotFoundHeading + PairListing(ctx.commands, ctx.paths));
  } else if (succeeded && options.check) {
    progress.SetOutcome(anyWouldChange ? kExitWouldChange : kExitSuccess);
  } else if (succeeded) {
    progress.SetOutcome(kExitSuccess);
    ctx.sleeper.Sleep(3000);
    progress.SetStatusText(CompletionStatus(fileCount));
    progress.DisableCancel();
    ctx.sleeper.Sleep(3000);
  } else {
    progress.SetOutcome(kExitFailure);
    progress.ShowMessage(kFailureHeading + PairListing(ctx.commands, ctx.paths));
    for (const std::string& line : problems) progress.ShowProblem(line);
  }
  for (const std::string& line : skipLines) progress.ShowProblem(line);
  std::size_t start = 0;
  while (start < report.size()) {
    std::size_t end = report.find('\n', start);
    ctx.log.WriteLog(report.substr(start, end - start));
    start = end + 1;
  }
  progress.ShowReport(report);
  ctx.running = 0;
  return 0;
}

}  // namespace vorex
