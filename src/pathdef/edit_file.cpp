#include "pathdef/edit_file.h"

#include "base/paths.h"
#include "pathdef/edit_place.h"
#include "pathdef/octave_block.h"
#include "pathdef/pathdef_text.h"

namespace vorex {

bool EditContext::Skipped(const std::string& path) const {
  if (!records) return false;
  auto it = records->find(path);
  return it != records->end() && it->second.outcome == FileOutcome::kSkipped;
}

void EditContext::ReportFailure(std::string_view step, const std::string& path, const std::string& reason) const {
  std::string what = std::string(step) + " " + OneLine(path) + ": " + OneLine(reason);
  if (divertedFailure) {
    if (divertedFailure->empty()) *divertedFailure = what;
    return;
  }
  std::string line = "Failed: " + what;
  log.WriteLog(line);
  if (problems) problems->push_back(line);
}

namespace {

// The same folder, by name or, reached through links, by identity: its lock is taken once.
bool SameFolder(FileSystem& fs, const std::string& a, const std::string& b) {
  if (a == b) return true;
  std::string idA, idB;
  return fs.FileIdentity(a, &idA) && fs.FileIdentity(b, &idB) && idA == idB;
}

constexpr std::chrono::milliseconds kOtherUsersLockWait{2000};

constexpr char kLinkNotFollowed[] = "a symbolic link, not followed where others may change the folder";

// The read-edit-replace cycle itself, on `editPath`. `follow` false: a link there is refused,
// not followed. `recordKey` is the path the file was found under, which names it in ctx.records.
EditResult RunCycle(const EditContext& ctx, const std::string& recordKey, const std::string& editPath,
                    const TextTransform& transform, bool follow) {
  FileSystem& fs = ctx.fs;
  // Nothing looks at the name before the lock that covers it is held: another run may be half
  // way through replacing the file, and is waited for rather than seen with no pathdef.m.
  auto lockFolderOf = [&](const std::string& file) {
    return ctx.privateLock ? fs.LockPrivately(file, ctx.lockTimeout) : fs.LockForEdit(file, ctx.lockTimeout);
  };
  std::unique_ptr<FileLock> lock = lockFolderOf(editPath);
  if (!lock) {
    ctx.ReportFailure("lock", editPath, fs.LastError());
    return EditResult::kFailed;
  }
  std::unique_ptr<FileLock> targetLock;
  std::string target = editPath;
  // A site startup file of GNU Octave that does not exist yet is made (without a backup).
  const bool octave = IsOctaveStartupFile(recordKey, ctx.rules);
  const std::string stem = octave ? "octaverc" : "pathdef";
  bool missing = false;
  if (octave && !fs.Exists(editPath)) {
    missing = true;
  } else if (!follow) {
    if (EntryOwner entry; fs.InspectEntry(editPath, &entry) && entry.isLink) {
      ctx.ReportFailure("follow link", editPath, kLinkNotFollowed);
      return EditResult::kFailed;
    }
  } else {
    std::string lockedTarget;  // whose folder is held besides the link's own
    for (int attempt = 0;; ++attempt) {
      if (!fs.ResolveLink(editPath, &target)) {
        ctx.ReportFailure("follow link", editPath, fs.LastError());
        return EditResult::kFailed;
      }
      if (SameFolder(fs, ParentOf(target, ctx.rules), ParentOf(editPath, ctx.rules))) break;
      if (targetLock && target == lockedTarget) break;
      if (attempt == 3) {
        ctx.ReportFailure("follow link", editPath, "the link kept changing");
        return EditResult::kFailed;
      }
      // A link into another folder: both folders are locked, always in the same order, so that
      // two runs reaching them from either side never wait for each other. The link may change
      // while nothing is held, so it is followed again under both locks.
      targetLock.reset();
      lock.reset();
      bool linkFirst = ParentOf(editPath, ctx.rules) < ParentOf(target, ctx.rules);
      const std::string& first = linkFirst ? editPath : target;
      const std::string& second = linkFirst ? target : editPath;
      std::unique_ptr<FileLock> firstLock = lockFolderOf(first);
      if (!firstLock) {
        ctx.ReportFailure("lock", first, fs.LastError());
        return EditResult::kFailed;
      }
      std::unique_ptr<FileLock> secondLock = lockFolderOf(second);
      if (!secondLock) {
        ctx.ReportFailure("lock", second, fs.LastError());
        return EditResult::kFailed;
      }
      lock = std::move(firstLock);
      targetLock = std::move(secondLock);
      lockedTarget = target;
    }
  }
  std::string text;
  if (!missing && !fs.ReadFile(target, &text)) {
    ctx.ReportFailure("read", target, fs.LastError());
    return EditResult::kFailed;
  }
  // -check on: each command works on the text the earlier ones would have left.
  FileRecord* record = ctx.records ? &(*ctx.records)[recordKey] : nullptr;
  if (ctx.checkOnly && record) {
    if (!record->checked) {
      record->checked = true;
      record->original = text;
      record->edited = text;
    }
    text = record->edited;
  }
  std::string newPath = SiblingName(target, stem + ".new", ctx.rules);
  ctx.log.WriteLog("Output File: " + newPath);
  std::string edited, why;
  if (!transform(text, &edited, &why)) {
    ctx.ReportFailure("edit", target, why);
    return EditResult::kFailed;
  }
  // Nothing to change: the file is left exactly as it is (no new file, the backup of the last
  // real change kept, the times untouched).
  if (edited == text) return EditResult::kUnchanged;
  if (ctx.checkOnly) {
    if (record) record->edited = std::move(edited);
    return EditResult::kChanged;
  }

  // A leftover of an earlier run, or anything else planted under the name, is never written
  // through: the new text always goes to a file of its own.
  if (fs.Exists(newPath) && !fs.Remove(newPath)) {
    ctx.ReportFailure("remove", newPath, fs.LastError());
    return EditResult::kFailed;
  }
  std::unique_ptr<WritableFile> file = fs.CreateNew(newPath);
  if (!file) {
    ctx.ReportFailure("create", newPath, fs.LastError());
    return EditResult::kFailed;
  }
  bool ok = true;
  if (!file->Write(edited)) {
    ctx.ReportFailure("write", newPath, fs.LastError());
    ok = false;
  }
  // Everything that can be done before the new file has its name is done now: where the file
  // gets its name only when complete (Linux), a run killed between that and the replacement
  // would leave it behind, so that moment is kept short.
  if (ok && !missing) {
    file->TakePermissionsOf(target);
    std::string backup = SiblingName(target, stem + ".bak", ctx.rules);
    if (fs.Exists(backup) && !fs.Remove(backup)) {
      ctx.ReportFailure("remove", backup, fs.LastError());
      ok = false;
    }
  }
  // Close flushes to disk; a file that did not reach the disk whole is never put in place.
  if (!file->Close() && ok) {
    ctx.ReportFailure("flush", newPath, fs.LastError());
    ok = false;
  }
  if (ok && missing) {
    // Everyone's Octave reads it: readable by all, and put in place only if nothing appeared
    // under the name meanwhile.
    fs.MakeReadableByAll(newPath);
    if (fs.Rename(newPath, target)) return EditResult::kChanged;
    ctx.ReportFailure("rename", newPath + " to " + target, fs.LastError());
  } else if (ok) {
    fs.CopyPermissions(target, newPath);
    if (RotatePathdefFiles(ctx, target, newPath, &text)) return EditResult::kChanged;
    if (!fs.Exists(target)) {
      // The old text is the backup and the new one the new file: both are kept for the user.
      ctx.log.WriteLog("Kept: " + newPath + " holds the edited text, " + SiblingName(target, stem + ".bak", ctx.rules) +
                       " the previous one");
      return EditResult::kFailed;
    }
  }
  if (!fs.Remove(newPath)) ctx.ReportFailure("remove", newPath, fs.LastError());
  return EditResult::kFailed;
}

EditResult Skip(const EditContext& ctx, const std::string& path, const std::string& reason) {
  std::string line = "Skipped: " + OneLine(path) + ": " + OneLine(reason);
  ctx.log.WriteLog(line);
  if (ctx.records) (*ctx.records)[path].skipLine = line;
  return EditResult::kSkipped;
}

// The cycle with failures turned into the reason for skipping the file.
EditResult RunOrSkip(const EditContext& ctx, const std::string& path, const std::string& editPath,
                     const TextTransform& transform, bool follow) {
  std::string reason;
  EditContext quiet = ctx;
  quiet.divertedFailure = &reason;
  quiet.problems = nullptr;
  // Anyone who may read a folder may lock it: a user's folder does not get to hold the run up
  // for long (a folder held longer is skipped like any file there that cannot be edited).
  quiet.lockTimeout = std::min(ctx.lockTimeout, kOtherUsersLockWait);
  EditResult result = RunCycle(quiet, path, editPath, transform, follow);
  if (result != EditResult::kFailed) return result;
  return Skip(ctx, path, reason.empty() ? "not edited" : reason);
}

bool IsLink(FileSystem& fs, const std::string& path) {
  EntryOwner entry;
  return fs.InspectEntry(path, &entry) && entry.isLink;
}

}  // namespace

namespace {

EditResult EditWithAuthority(const EditContext& ctx, const std::string& path, const TextTransform& transform);

}  // namespace

EditResult EditOneFile(const EditContext& ctx, const std::string& path, const TextTransform& transform) {
  EditResult result = EditWithAuthority(ctx, path, transform);
  if (ctx.records) {
    FileRecord& record = (*ctx.records)[path];
    record.touched = true;
    FileOutcome now = result == EditResult::kChanged   ? FileOutcome::kChanged
                      : result == EditResult::kSkipped ? FileOutcome::kSkipped
                      : result == EditResult::kFailed  ? FileOutcome::kFailed
                                                       : FileOutcome::kUnchanged;
    record.outcome = std::max(record.outcome, now);
  }
  return result;
}

namespace {

EditResult EditWithAuthority(const EditContext& ctx, const std::string& path, const TextTransform& transform) {
  FileSystem& fs = ctx.fs;
  auto plain = [&](const std::string& p) { return RunCycle(ctx, path, p, transform, true); };
  if (!fs.RunsWithRights()) return plain(path);

  EditPlace place;
  std::string why;
  if (!DecidePlace(fs, path, ctx.rules, &place, &why)) {
    ctx.ReportFailure("inspect", path, why);
    return EditResult::kFailed;
  }
  std::string editPath = path;
  if (place.kind == PlaceKind::kOwn && IsLink(fs, path)) {
    // Root's own link may still lead into a place that someone else controls.
    std::string target;
    EditPlace targetPlace;
    if (fs.ResolveLink(path, &target) && DecidePlace(fs, target, ctx.rules, &targetPlace, &why) &&
        targetPlace.kind != PlaceKind::kOwn) {
      place = targetPlace;
      editPath = target;
    }
  }

  switch (place.kind) {
    case PlaceKind::kOwn: {
      EditContext own = ctx;
      own.privateLock = true;
      return RunCycle(own, path, editPath, transform, true);
    }
    case PlaceKind::kShared: {
      std::string dir = ParentOf(editPath, ctx.rules);
      std::unique_ptr<FolderPin> pin = fs.PinFolder(dir);
      if (!pin) {
        ctx.ReportFailure("open", dir, fs.LastError());
        return EditResult::kFailed;
      }
      // Someone besides root may have put the link there: it is not followed, and it is not
      // the run's failure either.
      if (IsLink(fs, editPath)) return Skip(ctx, path, kLinkNotFollowed);
      return RunCycle(ctx, path, editPath, transform, false);
    }
    case PlaceKind::kOtherUser: {
      ctx.log.WriteLog("As " + OneLine(place.owner.userName) + ": " + OneLine(path));
      std::unique_ptr<ActingIdentity> identity;
      switch (fs.ActAs(place.owner, &identity)) {
        case FsStatus::kOk:
          return RunOrSkip(ctx, path, editPath, transform, true);
        case FsStatus::kFailed:
          return Skip(ctx, path, "act as " + place.owner.userName + ": " + fs.LastError());
        case FsStatus::kUnsupported:
          // Without the user's rights, nothing the user may have linked is looked through.
          if (IsLink(fs, editPath)) return Skip(ctx, path, "a symbolic link in another user's folder is not followed");
          return RunOrSkip(ctx, path, editPath, transform, false);
      }
    }
  }
  return EditResult::kFailed;
}

}  // namespace

bool RotatePathdefFiles(const EditContext& ctx, const std::string& path, const std::string& newPath,
                        const std::string* oldText) {
  FileSystem& fs = ctx.fs;
  // The backup goes with the new file's name: pathdef.new and pathdef.bak, octaverc.new and
  // octaverc.bak.
  std::string backup = newPath.size() > 4 && newPath.compare(newPath.size() - 4, 4, ".new") == 0
                           ? newPath.substr(0, newPath.size() - 4) + ".bak"
                           : SiblingName(path, "pathdef.bak", ctx.rules);
  // Usually there is none yet; one that cannot go (a directory, say) would block the backup.
  if (fs.Exists(backup) && !fs.Remove(backup)) {
    ctx.ReportFailure("remove", backup, fs.LastError());
    return false;
  }

  // Best: the backup as a second name of the old file, then one atomic rename over pathdef.m.
  switch (fs.HardLink(path, backup)) {
    case FsStatus::kOk:
      if (fs.RenameOver(newPath, path)) return true;
      ctx.ReportFailure("rename", newPath + " to " + path, fs.LastError());
      return false;
    case FsStatus::kFailed:
      ctx.ReportFailure("link", path + " to " + backup, fs.LastError());
      return false;
    case FsStatus::kUnsupported:
      break;
  }
  // Next best: the platform's own replacement step.
  switch (fs.ReplaceFile(path, newPath, backup)) {
    case FsStatus::kOk:
      return true;
    case FsStatus::kFailed:
      ctx.ReportFailure("replace", path, fs.LastError());
      return false;
    case FsStatus::kUnsupported:
      break;
  }
  // Where the backup cannot be a second name (the kernel's link protection over another user's
  // file, a file system without hard links): a flushed copy of the old text, then the same one
  // atomic rename, so that pathdef.m still exists at every moment.
  if (oldText) {
    if (std::unique_ptr<WritableFile> copy = fs.CreateNew(backup)) {
      bool written = copy->Write(*oldText);
      if (copy->Close() && written) {
        fs.CopyPermissions(path, backup);
        if (fs.RenameOver(newPath, path)) return true;
        ctx.ReportFailure("rename", newPath + " to " + path, fs.LastError());
        return false;
      }
      fs.Remove(backup);  // a copy cut short is no backup
    }
  }
  // Last: three steps, with the backup renamed back when the new file cannot take its place.
  if (!fs.Rename(path, backup)) {
    ctx.ReportFailure("rename", path + " to " + backup, fs.LastError());
    return false;
  }
  if (fs.Rename(newPath, path)) return true;
  ctx.ReportFailure("rename", newPath + " to " + path, fs.LastError());
  if (!fs.Rename(backup, path)) ctx.ReportFailure("rename", backup + " to " + path, fs.LastError());
  return false;
}

}  // namespace vorex
