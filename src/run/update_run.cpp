#include "run/update_run.h"

#include "base/messages.h"
#include "discovery/discovery.h"
#include "discovery/user_copies.h"
#include "pathdef/edit_passes.h"

namespace vorex {

int RunUpdate(const UpdateContext& ctx, UpdateProgress& progress) {
  StringList foundFiles;

  ctx.sleeper.Sleep(1000);
  int hit = FindPathdefInRegistry(ctx.registry, ctx.fs, ctx.rules, foundFiles, &ctx.log);
  ctx.sleeper.Sleep(2000);
  if (!hit) ScanFixedDrives(ScanContext{ctx.fs, ctx.log, ctx.running, progress, ctx.rules}, foundFiles);

  // A cancel up to here ends the run quietly; from here on the passes run to their end.
  if (ctx.running == 0) return 0;

  // The users' own copies, which MATLAB reads before the installation's file: with rights
  // everyone's, otherwise only the running user's, so that a plain run never fails on files
  // it may not write.
  if (ctx.users) {
    UserCopies copies = FindUserCopies(ctx.fs, *ctx.users, ctx.rules, ctx.fs.RunsWithRights());
    foundFiles = OrderFoundFiles(ctx.fs, foundFiles, copies, ctx.log);
  }

  if (foundFiles.empty()) {
    progress.SetOutcome(kExitNotFound);
    progress.ShowMessage(kNotFoundHeading + PairListing(ctx.commands, ctx.paths));
    ctx.running = 0;
    return 0;
  }

  progress.SetDetailText("");
  progress.SetStatusText(kModifyingStatus);
  StringList problems;
  SkippedFiles skipped;
  EditContext edit{ctx.commands, ctx.paths, ctx.fs, ctx.log, ctx.rules, &problems};
  edit.skipped = &skipped;
  int removed = RemovePathEntries(edit, foundFiles);
  int added = AddPathEntries(edit, foundFiles);
  std::size_t fileCount = foundFiles.size() - skipped.paths.size();

  if (removed == 1 && added == 1 && fileCount == 0) {
    // Every file found lay in another user's place and could not be edited with their rights:
    // there was no installation this run could update.
    progress.SetOutcome(kExitNotFound);
    progress.ShowMessage(kNotFoundHeading + PairListing(ctx.commands, ctx.paths));
  } else if (removed == 1 && added == 1) {
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
  for (const std::string& line : skipped.lines) progress.ShowProblem(line);
  ctx.running = 0;
  return 0;
}

}  // namespace vorex
