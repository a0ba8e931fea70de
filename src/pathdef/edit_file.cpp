#include "pathdef/edit_file.h"

#include <algorithm>
#include <optional>

#include "base/ascii.h"
#include "base/paths.h"
#include "pathdef/commit.h"
#include "pathdef/place.h"

namespace vorex {

std::vector<FileEdit> EditsOf(const FoundFiles& files) {
  std::vector<FileEdit> edits;
  for (const FoundFile& file : files) {
    FileEdit& edit = edits.emplace_back();
    edit.file = file;
    if (file.missing.empty()) continue;
    edit.outcome = Outcome::kFailed;
    edit.taken = true;
    edit.reason = file.missing;
  }
  return edits;
}

namespace {

// The same folder, by name or, reached through links, by identity: its lock is taken once.
bool SameFolder(FileSystem& fs, const std::string& a, const std::string& b) {
  if (a == b) return true;
  std::string idA, idB;
  return FileIdentity(fs, a, &idA) && FileIdentity(fs, b, &idB) && idA == idB;
}

// Takes the place's lock and, where links are followed and the file is one, finds what it leads
// to and holds that folder's lock too.
class Locker {
 public:
  Locker(FileSystem& fs, Place& place, LockKind kind, Failures& failures)
      : fs_(fs), place_(place), kind_(kind), failures_(failures) {}

  std::optional<LockedFile> Lock(FileKind kind) {
    LockedFile file;
    file.rules = place_.rules();
    file.folder = &place_.folder();
    file.name = place_.name();
    file.newName = NewFileName(kind);
    file.backupName = BackupName(kind);
    // Nothing looks at the name before the lock that covers it is held: another run may be half
    // way through replacing the file, and is waited for rather than seen with no pathdef.m.
    if (!TakeLock(place_.folder(), place_.Path(place_.name()), &file)) return std::nullopt;
    EntryInfo info;
    bool exists = file.folder->Describe(file.name, &info);
    // A site startup file of GNU Octave that does not exist yet is made.
    if (kind == FileKind::kOctaveStartup && !exists) {
      file.missing = true;
      return file;
    }
    if (!exists && place_.authority().followLinks) {
      failures_.Add("follow link", place_.Path(file.name), fs_.LastError());
      return std::nullopt;
    }
    if (!exists || info.type != EntryType::kLink) return file;
    if (!FollowLink(&file)) return std::nullopt;
    return file;
  }

 private:
  bool TakeLock(Folder& folder, const std::string& path, LockedFile* file) {
    const Authority& authority = place_.authority();
    std::unique_ptr<FileLock> lock = folder.Lock(kind_, authority.lockWait);
    if (!lock) return failures_.Add("lock", path, fs_.LastError());
    file->locks.push_back(std::move(lock));
    return true;
  }

  // A link into another folder: both folders are locked, always in the same order, so that two
  // runs reaching them from either side never wait for each other. The link may change while
  // nothing is held, so it is followed again under both locks.
  bool FollowLink(LockedFile* file) {
    const std::string linkPath = place_.Path(place_.name());
    const PathRules& rules = place_.rules();
    std::string lockedTarget;
    for (int attempt = 0;; ++attempt) {
      std::string target;
      if (!fs_.RealPath(linkPath, &target)) return failures_.Add("follow link", linkPath, fs_.LastError());
      std::string dir = ParentOf(target, rules);
      if (SameFolder(fs_, dir, place_.folder().Path())) {
        file->name = NameOf(target, rules);
        return true;
      }
      if (file->linkedFolder && target == lockedTarget) {
        file->folder = file->linkedFolder.get();
        file->name = NameOf(target, rules);
        return true;
      }
      if (attempt == 3) return failures_.Add("follow link", linkPath, "the link kept changing");
      file->locks.clear();
      file->linkedFolder = fs_.OpenFolder(dir, false);
      if (!file->linkedFolder) return failures_.Add("lock", target, fs_.LastError());
      bool linkFirst = place_.folder().Path() < dir;
      Folder& first = linkFirst ? place_.folder() : *file->linkedFolder;
      Folder& second = linkFirst ? *file->linkedFolder : place_.folder();
      std::string firstPath = linkFirst ? linkPath : target;
      std::string secondPath = linkFirst ? target : linkPath;
      if (!TakeLock(first, firstPath, file) || !TakeLock(second, secondPath, file)) return false;
      lockedTarget = target;
    }
  }

  FileSystem& fs_;
  Place& place_;
  LockKind kind_;
  Failures& failures_;
};

}  // namespace

Outcome FileEditor::Edit(FileEdit& edit, const TextTransform& transform) {
  edit.taken = true;
  Failures failures;
  Outcome now = Run(edit, transform, failures);
  edit.outcome = std::max(edit.outcome, now);
  return now;
}

Outcome FileEditor::Run(FileEdit& edit, const TextTransform& transform, Failures& failures) {
  PlaceOrReason opened = OpenPlace(platform_, log_, edit.file.path);
  if (!opened.place) {
    failures.steps.push_back(opened.reason);
    return Conclude(edit, failures, opened.skip);
  }
  Place& place = *opened.place;
  if (place.authority().kind == PlaceKind::kOtherUser) edit.editedAs = place.authority().user.name;
  std::optional<LockedFile> file =
      Locker(platform_.fs, place, commit_.Lock(place.authority().lock), failures).Lock(edit.file.kind);
  std::string text;
  if (file && !file->missing && !file->folder->Read(file->name, &text))
    failures.Add("read", file->Path(file->name), platform_.fs.LastError());
  if (!failures.steps.empty()) return Conclude(edit, failures, place.authority().failureSkips);
  if (!edit.read) {
    edit.read = true;
    edit.before = edit.after = text;
  }
  const std::string& base = commit_.Base(edit, text);
  log_.WriteLog("Output File: " + file->Path(file->newName));
  std::string edited, why;
  if (!transform(base, &edited, &why)) {
    failures.Add("edit", file->Path(file->name), why);
    return Conclude(edit, failures, place.authority().failureSkips);
  }
  if (edited == base) return Outcome::kUnchanged;
  if (!commit_.Apply(*file, edited, base, failures)) return Conclude(edit, failures, place.authority().failureSkips);
  edit.after = std::move(edited);
  return commit_.Changed();
}

void FileEditor::Settle(FileEdit& edit) const {
  commit_.Settle(edit);
}

Outcome FileEditor::Conclude(FileEdit& edit, const Failures& failures, bool skip) {
  if (skip) {
    edit.reason = failures.steps.empty() ? "not edited" : failures.steps.front();
    log_.WriteLog("Skipped: " + OneLine(edit.file.path) + ": " + OneLine(edit.reason));
    return Outcome::kSkipped;
  }
  for (const std::string& step : failures.steps) {
    std::string line = "Failed: " + step;
    log_.WriteLog(line);
    problems_.push_back(line);
  }
  if (!failures.note.empty()) log_.WriteLog(failures.note);
  if (edit.reason.empty() && !failures.steps.empty()) edit.reason = failures.steps.front();
  return Outcome::kFailed;
}

}  // namespace vorex
