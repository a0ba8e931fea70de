#include "pathdef/edit_file.h"

#include "pathdef/edit_passes.h"
#include "pathdef/pathdef_text.h"

namespace vorex {

bool EditOneFile(FileSystem& fs, DiagnosticLog& log, const std::string& path, const TextTransform& transform) {
  std::string text;
  if (!fs.ReadFile(path, &text)) return false;
  std::string newPath = SiblingName(path, "pathdef.new");
  log.WriteLog("Output File: " + newPath);
  std::unique_ptr<WritableFile> file = fs.CreateForWrite(newPath);
  if (!file) return false;
  std::string edited;
  bool ok = transform(text, &edited) && file->Write(edited);
  // Close flushes to disk; a file that did not reach the disk whole is never put in place.
  ok = file->Close() && ok;
  if (!ok) {
    fs.Remove(newPath);
    return false;
  }
  fs.CopyPermissions(path, newPath);
  return RotatePathdefFiles(fs, path, newPath);
}

bool RotatePathdefFiles(FileSystem& fs, const std::string& path, const std::string& newPath) {
  std::string backup = SiblingName(path, "pathdef.bak");
  fs.Remove(backup);  // usually there is none yet

  // Best: the backup as a second name of the old file, then one atomic rename over pathdef.m.
  switch (fs.HardLink(path, backup)) {
    case FsStatus::kOk:
      return fs.RenameOver(newPath, path);
    case FsStatus::kFailed:
      return false;  // e.g. a backup that could not be deleted: nothing is changed
    case FsStatus::kUnsupported:
      break;
  }
  // Next best: the platform's own replacement step.
  switch (fs.ReplaceFile(path, newPath, backup)) {
    case FsStatus::kOk:
      return true;
    case FsStatus::kFailed:
      return false;
    case FsStatus::kUnsupported:
      break;
  }
  // Last: three steps, with the backup renamed back when the new file cannot take its place.
  if (!fs.Rename(path, backup)) return false;
  if (fs.Rename(newPath, path)) return true;
  fs.Rename(backup, path);
  return false;
}

}  // namespace vorex
