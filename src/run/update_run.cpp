#include "run/update_run.h"

#include <algorithm>
#include <set>

#include "base/ascii.h"
#include "base/messages.h"
#include "base/paths.h"
#include "discovery/discovery.h"
#include "discovery/octave_discovery.h"
#include "discovery/user_copies.h"
#include "pathdef/commit.h"
#include "pathdef/edit_passes.h"
#include "pathdef/same_files.h"
#include "run/report.h"

namespace vorex {

namespace {

// The installations named on the command line, in the order given, each as it really is (so that
// its place is judged by its real folders, and a root named twice is edited once); one without
// its file is reported where it stood and fails the run once the others are edited.
FoundFiles FindNamedInstallations(const RunContext& ctx, StringList* problems) {
  const PathRules& rules = ctx.platform.rules;
  FoundFiles found;
  std::set<std::string> seen;
  for (const std::string& given : ctx.request.matlabRoots) {
    std::string root;
    if (!ctx.platform.fs.RealPath(given, &root)) root = given;
    std::string path = JoinPath(JoinPath(JoinPath(root, "toolbox", rules), "local", rules), "pathdef.m", rules);
    if (!seen.insert(path).second) continue;
    if (Exists(ctx.platform.fs, path)) {
      ctx.log.WriteLog("Root: " + path);
      found.push_back({path, FileKind::kInstallation, {}, {}});
      continue;
    }
    std::string reason = "find " + OneLine(path) + ": " + ctx.platform.fs.LastError();
    ctx.log.WriteLog("Failed: " + reason);
    problems->push_back("Failed: " + reason);
    found.push_back({path, FileKind::kInstallation, {}, reason});
  }
  return found;
}

// The registered installations, else whatever the drives hold.
StringList FindInstallations(const RunContext& ctx) {
  const PlatformServices& p = ctx.platform;
  StringList found;
  int hit = FindPathdefInRegistry(p.registry, p.fs, p.rules, found, &ctx.log);
  ctx.sleeper.Sleep(2000);
  if (!hit) ScanFixedDrives(ScanContext{p.fs, ctx.log, ctx.running, ctx.progress, p.rules}, found);
  return found;
}

// The users' own copies, which MATLAB reads before the installation's file: with rights
// everyone's, otherwise only the running user's, so that a plain run never fails on files it
// may not write.
FoundFiles WithUserCopies(const RunContext& ctx, const StringList& installations) {
  const PlatformServices& p = ctx.platform;
  UserCopies copies;
  if (p.users) copies = FindUserCopies(p.fs, *p.users, p.rules, p.withRights);
  return OrderFoundFiles(installations, copies, ctx.log);
}

// GNU Octave's site startup files, after every pathdef.m, on request only.
void AddOctaveFiles(const RunContext& ctx, FoundFiles& found) {
  const PlatformServices& p = ctx.platform;
  if (!ctx.request.octave || !p.octave) return;
  FoundFiles octave = FindOctaveStartupFiles(p.fs, *p.octave, p.registry, p.rules, ctx.log);
  if (octave.empty()) ctx.log.WriteLog("Octave: no installation found");
  found.insert(found.end(), octave.begin(), octave.end());
}

FoundFiles Discover(const RunContext& ctx, StringList* problems) {
  ctx.sleeper.Sleep(1000);
  if (!ctx.request.matlabRoots.empty()) {
    // Named installations: no registry, no launcher, no drive walk, no users' copies.
    FoundFiles found = FindNamedInstallations(ctx, problems);
    ctx.sleeper.Sleep(2000);
    return found;
  }
  StringList installations = FindInstallations(ctx);
  // A cancel up to here ends the run quietly; from here on the passes run to their end.
  if (ctx.running == 0) return {};
  return WithUserCopies(ctx, installations);
}

bool AnyPresent(const FoundFiles& files) {
  return std::ranges::any_of(files, [](const FoundFile& file) { return file.missing.empty(); });
}

// The files that were neither missing nor skipped, each once: those the run updated.
std::size_t UpdatedCount(const std::vector<FileEdit>& files) {
  std::size_t count = 0;
  for (const FileEdit& edit : files)
    count += edit.file.missing.empty() && !edit.sameAs && edit.outcome != Outcome::kSkipped;
  return count;
}

ExitStatus DecideStatus(const std::vector<FileEdit>& files, bool check) {
  bool wouldChange = false;
  for (const FileEdit& edit : files) {
    if (edit.outcome == Outcome::kFailed) return kExitFailure;
    wouldChange |= edit.outcome == Outcome::kWouldChange;
  }
  // Every file found lay in another user's place and could not be edited with their rights:
  // there was no installation this run could update.
  if (UpdatedCount(files) == 0) return kExitNotFound;
  return check && wouldChange ? kExitWouldChange : kExitSuccess;
}

std::string ShowNotFound(const RunContext& ctx) {
  std::string message = kNotFoundHeading + PairListing(ctx.request.commands, ctx.request.paths);
  ctx.progress.SetOutcome(kExitNotFound);
  ctx.progress.ShowMessage(message);
  return message;
}

// Nothing at all to edit: the not-found outcome, or where the caller said so, a success.
void NothingFound(const RunContext& ctx, RunResult& result) {
  result.status = kExitNotFound;
  if (!ctx.request.notFoundOk) {
    result.message = ShowNotFound(ctx);
  } else {
    result.status = kExitSuccess;
    result.message = kNotFoundHeading + PairListing(ctx.request.commands, ctx.request.paths);
    ctx.log.WriteLog("Nothing found; with -notfound ok that is no failure");
    ctx.progress.SetOutcome(kExitSuccess);
  }
  for (const std::string& line : result.problems) ctx.progress.ShowProblem(line);
}

// What the user is shown at the end: the completion text, or the box and the reasons.
void TellOutcome(const RunContext& ctx, RunResult& result) {
  const std::vector<FileEdit>& files = result.files;
  ExitStatus status = result.status = DecideStatus(files, ctx.request.check);
  if (status == kExitNotFound) {
    result.message = ShowNotFound(ctx);
  } else if (status == kExitFailure) {
    result.message = kFailureHeading + PairListing(ctx.request.commands, ctx.request.paths);
    ctx.progress.SetOutcome(kExitFailure);
    ctx.progress.ShowMessage(result.message);
    for (const std::string& line : result.problems) ctx.progress.ShowProblem(line);
  } else {
    ctx.progress.SetOutcome(status);
    if (!ctx.request.check) {
      ctx.sleeper.Sleep(3000);
      ctx.progress.SetStatusText(CompletionStatus(UpdatedCount(files)));
      ctx.progress.DisableCancel();
      ctx.sleeper.Sleep(3000);
    }
  }
  for (const FileEdit& edit : files)
    if (edit.outcome == Outcome::kSkipped && !edit.sameAs)
      ctx.progress.ShowProblem("Skipped: " + OneLine(edit.file.path) + ": " + OneLine(edit.reason));
}

}  // namespace

RunResult RunUpdate(const RunContext& ctx) {
  RunResult result;
  FoundFiles found = Discover(ctx, &result.problems);
  if (ctx.running == 0) {
    result.status = kExitCancelled;
    return result;
  }
  AddOctaveFiles(ctx, found);
  if (!AnyPresent(found)) {
    // Named installations that are missing are still told, file by file.
    result.files = EditsOf(found);
    NothingFound(ctx, result);
    ctx.running = 0;
    return result;
  }

  ctx.progress.SetDetailText("");
  ctx.progress.SetStatusText(kModifyingStatus);
  WriteCommit write(ctx.platform.fs);
  CheckCommit check;
  FileEditor editor(ctx.platform, ctx.log, ctx.request.check ? static_cast<Commit&>(check) : write);
  result.files = EditsOf(found);
  FoldSameFiles(ctx.platform, ctx.log, result.files);
  RunEditPasses(ctx.request.commands, ctx.request.paths, result.files, editor);
  result.problems.insert(result.problems.end(), editor.Problems().begin(), editor.Problems().end());

  TellOutcome(ctx, result);
  std::string report = ReportText(result.files, false);
  for (std::size_t start = 0, end; start < report.size(); start = end + 1) {
    end = report.find('\n', start);
    ctx.log.WriteLog(report.substr(start, end - start));
  }
  ctx.running = 0;
  return result;
}

}  // namespace vorex
