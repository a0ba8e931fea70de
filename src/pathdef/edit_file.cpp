#include "pathdef/edit_file.h"

#include "pathdef/pathdef_text.h"

namespace vorex {

void EditContext::ReportFailure(std::string_view step, const std::string& path, const std::string& reason) const {
  std::string line = "Failed: " + std::string(step) + " " + path + ": " + reason;
  log.WriteLog(line);
  if (problems) problems->push_back(line);
}

bool EditOneFile(const EditContext& ctx, const std::string& path, const TextTransform& transform) {
  FileSystem& fs = ctx.fs;
  std::string target;
  if (!fs.ResolveLink(path, &target)) {
    ctx.ReportFailure("follow link", path, fs.LastError());
    return false;
  }
  std::unique_ptr<FileLock> lock = fs.LockForEdit(target, ctx.lockTimeout);
  if (!lock) {
    ctx.ReportFailure("lock", target, fs.LastError());
    return false;
  }
  std::string text;
  if (!fs.ReadFile(target, &text)) {
    ctx.ReportFailure("read", target, fs.LastError());
    return false;
  }
  std::string newPath = SiblingName(target, "pathdef.new", ctx.rules);
  ctx.log.WriteLog("Output File: " + newPath);
  // A leftover of an earlier run, or anything else planted under the name, is never written
  // through: the new text always goes to a file of its own.
  if (fs.Exists(newPath) && !fs.Remove(newPath)) {
    ctx.ReportFailure("remove", newPath, fs.LastError());
    return false;
  }
  std::unique_ptr<WritableFile> file = fs.CreateNew(newPath);
  if (!file) {
    ctx.ReportFailure("create", newPath, fs.LastError());
    return false;
  }
  std::string edited, why;
  bool ok = transform(text, &edited, &why);
  if (!ok) ctx.ReportFailure("edit", target, why);
  if (ok && !file->Write(edited)) {
    ctx.ReportFailure("write", newPath, fs.LastError());
    ok = false;
  }
  // Close flushes to disk; a file that did not reach the disk whole is never put in place.
  if (!file->Close() && ok) {
    ctx.ReportFailure("flush", newPath, fs.LastError());
    ok = false;
  }
  if (ok) {
    fs.CopyPermissions(target, newPath);
    if (RotatePathdefFiles(ctx, target, newPath)) return true;
    if (!fs.Exists(target)) {
      // The old text is pathdef.bak and the new one pathdef.new: both are kept for the user.
      ctx.log.WriteLog("Kept: " + newPath + " holds the edited text, " + SiblingName(target, "pathdef.bak", ctx.rules) +
                       " the previous one");
      return false;
    }
  }
  if (!fs.Remove(newPath)) ctx.ReportFailure("remove", newPath, fs.LastError());
  return false;
}

bool RotatePathdefFiles(const EditContext& ctx, const std::string& path, const std::string& newPath) {
  FileSystem& fs = ctx.fs;
  std::string backup = SiblingName(path, "pathdef.bak", ctx.rules);
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
