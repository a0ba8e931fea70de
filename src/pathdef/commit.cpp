#include "pathdef/commit.h"

#include "base/ascii.h"

namespace vorex {

bool Failures::Add(std::string_view step, const std::string& path, const std::string& why) {
  steps.push_back(std::string(step) + " " + OneLine(path) + ": " + OneLine(why));
  return false;
}

const std::string& WriteCommit::Base(const FileEdit& /*edit*/, const std::string& read) {
  return read;
}

bool WriteCommit::Apply(LockedFile& file, const std::string& edited, const std::string& old, Failures& failures) {
  Folder& folder = *file.folder;
  // A leftover of an earlier run, or anything else planted under the name, is never written
  // through: the new text always goes to a file of its own.
  if (file.Exists(file.newName) && !folder.Remove(file.newName))
    return failures.Add("remove", file.Path(file.newName), fs_.LastError());
  std::unique_ptr<WritableFile> out = folder.CreateNew(file.newName, file.missing ? "" : file.name);
  if (!out) return failures.Add("create", file.Path(file.newName), fs_.LastError());
  if (WriteNewFile(file, *out, edited, failures)) {
    if (Install(file, old, failures)) return true;
    if (!file.missing && !file.Exists(file.name)) {
      // The old text is the backup and the new one the new file: both are kept for the user.
      failures.note = "Kept: " + file.Path(file.newName) + " holds the edited text, " + file.Path(file.backupName) +
                      " the previous one";
      return false;
    }
  }
  if (!folder.Remove(file.newName)) failures.Add("remove", file.Path(file.newName), fs_.LastError());
  return false;
}

bool WriteCommit::WriteNewFile(LockedFile& file, WritableFile& out, const std::string& edited, Failures& failures) {
  bool ok = out.Write(edited) || failures.Add("write", file.Path(file.newName), fs_.LastError());
  // Everything that can be done before the new file has its name is done now: where the file
  // gets its name only when complete (Linux), a run killed between that and the replacement
  // would leave it behind, so that moment is kept short.
  if (ok && !file.missing && file.Exists(file.backupName) && !file.folder->Remove(file.backupName))
    ok = failures.Add("remove", file.Path(file.backupName), fs_.LastError());
  // Close flushes to disk; a file that did not reach the disk whole is never put in place.
  if (!out.Close() && ok) ok = failures.Add("flush", file.Path(file.newName), fs_.LastError());
  return ok;
}

bool WriteCommit::Install(LockedFile& file, const std::string& old, Failures& failures) {
  if (!file.missing) return Rotate(file, old, failures);
  // Put in place only if nothing appeared under the name meanwhile.
  if (file.folder->Rename(file.newName, file.name)) return true;
  return failures.Add("rename", file.Path(file.newName) + " to " + file.Path(file.name), fs_.LastError());
}

bool WriteCommit::Rotate(LockedFile& file, const std::string& old, Failures& failures) {
  Folder& folder = *file.folder;
  const std::string path = file.Path(file.name);
  const std::string newPath = file.Path(file.newName);
  const std::string backup = file.Path(file.backupName);
  // Best: the backup as a second name of the old file, then one atomic rename over pathdef.m.
  switch (folder.HardLink(file.name, file.backupName)) {
    case FsStatus::kOk:
      return folder.RenameOver(file.newName, file.name) ||
             failures.Add("rename", newPath + " to " + path, fs_.LastError());
    case FsStatus::kFailed:
      return failures.Add("link", path + " to " + backup, fs_.LastError());
    case FsStatus::kUnsupported:
      break;
  }
  // Next best: the platform's own replacement step.
  switch (folder.Replace(file.name, file.newName, file.backupName)) {
    case FsStatus::kOk:
      return true;
    case FsStatus::kFailed:
      return failures.Add("replace", path, fs_.LastError());
    case FsStatus::kUnsupported:
      break;
  }
  return RotateByCopy(file, old, failures);
}

bool WriteCommit::RotateByCopy(LockedFile& file, const std::string& old, Failures& failures) {
  Folder& folder = *file.folder;
  const std::string path = file.Path(file.name);
  const std::string newPath = file.Path(file.newName);
  const std::string backup = file.Path(file.backupName);
  // Where the backup cannot be a second name (the kernel's link protection over another user's
  // file, a file system without hard links): a flushed copy of the old text, then the same one
  // atomic rename, so that pathdef.m still exists at every moment.
  if (std::unique_ptr<WritableFile> copy = folder.CreateNew(file.backupName, file.name)) {
    bool written = copy->Write(old);
    if (copy->Close() && written) {
      return folder.RenameOver(file.newName, file.name) ||
             failures.Add("rename", newPath + " to " + path, fs_.LastError());
    }
    folder.Remove(file.backupName);  // a copy cut short is no backup
  }
  // Last: three steps, with the backup renamed back when the new file cannot take its place.
  if (!folder.Rename(file.name, file.backupName))
    return failures.Add("rename", path + " to " + backup, fs_.LastError());
  if (folder.Rename(file.newName, file.name)) return true;
  failures.Add("rename", newPath + " to " + path, fs_.LastError());
  if (!folder.Rename(file.backupName, file.name)) failures.Add("rename", backup + " to " + path, fs_.LastError());
  return false;
}

bool CheckCommit::Apply(LockedFile& file, const std::string& /*edited*/, const std::string& /*old*/,
                        Failures& failures) {
  // The steps of a write that the system would refuse, with the reason it would give.
  EntryInfo folder, backup, target;
  if (file.folder->Describe(".", &folder) && !folder.refusesChange.empty())
    return failures.Add("create", file.Path(file.newName), folder.refusesChange);
  if (file.missing) return true;
  if (file.folder->Describe(file.backupName, &backup) &&
      (backup.type == EntryType::kDirectory || !backup.refusesChange.empty())) {
    const char* isDirectory = "Is a directory";
    return failures.Add("remove", file.Path(file.backupName),
                        backup.type == EntryType::kDirectory ? isDirectory : backup.refusesChange);
  }
  if (file.folder->Describe(file.name, &target) && !target.refusesChange.empty())
    return failures.Add("rename", file.Path(file.newName) + " to " + file.Path(file.name), target.refusesChange);
  return true;
}

const std::string& CheckCommit::Base(const FileEdit& edit, const std::string& /*read*/) {
  return edit.after;
}

void CheckCommit::Settle(FileEdit& edit) const {
  if (edit.outcome == Outcome::kUnchanged || edit.outcome == Outcome::kWouldChange)
    edit.outcome = edit.read && edit.after != edit.before ? Outcome::kWouldChange : Outcome::kUnchanged;
}

}  // namespace vorex
