#include "pathdef/place.h"

#include <algorithm>

#include "base/ascii.h"
#include "base/paths.h"

namespace vorex {

namespace {

// Anyone who may read a folder may lock it: a user's folder does not get to hold the run up for
// long (a folder held longer is skipped like any file there that cannot be edited).
constexpr std::chrono::milliseconds kOtherUsersLockWait{2000};

constexpr char kLinkNotFollowed[] = "a symbolic link, not followed where others may change the folder";
constexpr char kUsersLinkNotFollowed[] = "a symbolic link in another user's folder is not followed";
constexpr char kOddEntryNotTaken[] = "not a regular file, not taken where others may change the folder";

bool WalkFolders(const PlatformServices& platform, const std::vector<std::string>& folders, Authority* authority,
                 std::string* why) {
  for (const std::string& folder : folders) {
    bool filesFolder = &folder == &folders.back();
    EntryInfo info;
    if (!platform.fs.Describe(folder, &info)) {
      *why = folder + ": " + platform.fs.LastError();
      return false;
    }
    if (!platform.identity.IsTrusted(info.owner)) {
      authority->kind = PlaceKind::kOtherUser;
      authority->user = info.owner;
      return true;
    }
    // Above the file a sticky folder keeps others from its entries; in the file's own folder
    // anyone who may add an entry may plant one at a name that is missing (a link at
    // pathdef.m, a link at an octaverc not made yet).
    if (info.othersMaySwap || (filesFolder && info.othersMayAdd)) authority->kind = PlaceKind::kShared;
  }
  return true;
}

bool IsLink(FileSystem& fs, const std::string& path) {
  EntryInfo info;
  return fs.Describe(path, &info) && info.type == EntryType::kLink;
}

// What each kind of place means for the edit.
void Complete(Authority* authority) {
  switch (authority->kind) {
    case PlaceKind::kRunner:
      break;
    case PlaceKind::kOwn:
      authority->lock = LockKind::kPrivate;
      break;
    case PlaceKind::kShared:
      authority->pinned = true;
      authority->followLinks = false;
      break;
    case PlaceKind::kOtherUser:
      authority->failureSkips = true;
      authority->lockWait = std::min(authority->lockWait, kOtherUsersLockWait);
      break;
  }
}

std::string StepReason(std::string_view step, const std::string& path, const std::string& why) {
  return std::string(step) + " " + OneLine(path) + ": " + OneLine(why);
}

// The authority for the file at `path`, and the file it edits: the administrators' own link may
// lead into a place that someone else controls, which then decides.
bool ChooseAuthority(const PlatformServices& platform, std::string* path, Authority* authority, std::string* why) {
  if (!platform.withRights) {
    *authority = Authority{};
    authority->lockWait = platform.lockWait;
    return true;
  }
  if (!DecideAuthority(platform, *path, authority, why)) return false;
  if (authority->kind == PlaceKind::kOwn && IsLink(platform.fs, *path)) {
    std::string target;
    Authority there;
    std::string ignored;
    if (platform.fs.RealPath(*path, &target) && DecideAuthority(platform, target, &there, &ignored) &&
        there.kind != PlaceKind::kOwn) {
      *authority = there;
      *path = target;
    }
  }
  authority->lockWait = platform.lockWait;
  Complete(authority);
  return true;
}

}  // namespace

std::string Place::Path(const std::string& name) const {
  return JoinPath(folder_->Path(), name, rules_);
}

bool DecideAuthority(const PlatformServices& platform, const std::string& path, Authority* authority,
                     std::string* why) {
  *authority = Authority{};
  authority->kind = PlaceKind::kOwn;
  if (!WalkFolders(platform, FoldersOf(path, platform.rules), authority, why)) return false;
  if (authority->kind == PlaceKind::kOtherUser) return true;
  // An administrators' link on the way (/opt/MATLAB/R2024a leading into a user's folder) hides
  // the folders it passes through: the folder as it really is gets the same walk.
  std::string dir = ParentOf(path, platform.rules);
  std::string real;
  if (!platform.fs.RealPath(dir, &real) || real == dir) return true;
  return WalkFolders(platform, FoldersOf(JoinPath(real, "x", platform.rules), platform.rules), authority, why);
}

class PlaceOpener {
 public:
  PlaceOpener(const PlatformServices& platform, DiagnosticLog& log) : platform_(platform), log_(log) {}

  PlaceOrReason Open(const std::string& found) {
    std::string path = found;
    Authority authority;
    std::string why;
    if (!ChooseAuthority(platform_, &path, &authority, &why)) return {nullptr, StepReason("inspect", found, why)};
    auto place = std::make_unique<Place>();
    place->rules_ = platform_.rules;
    place->name_ = NameOf(path, platform_.rules);
    if (authority.kind == PlaceKind::kOtherUser) {
      log_.WriteLog("As " + OneLine(authority.user.name) + ": " + OneLine(found));
      switch (platform_.identity.ActAs(authority.user, &place->actingAs_)) {
        case FsStatus::kOk:
          break;
        case FsStatus::kFailed:
          return {nullptr, "act as " + authority.user.name + ": " + platform_.fs.LastError(), true};
        case FsStatus::kUnsupported:
          // Without the user's rights, nothing the user may have linked is looked through.
          authority.followLinks = false;
          break;
      }
    }
    place->authority_ = authority;
    return OpenFolder(std::move(place), path);
  }

 private:
  PlaceOrReason OpenFolder(std::unique_ptr<Place> place, const std::string& path) {
    const Authority& authority = place->authority_;
    std::string dir = ParentOf(path, platform_.rules);
    place->folder_ = platform_.fs.OpenFolder(dir, authority.pinned);
    if (!place->folder_) {
      // Opening the folder is the first step of locking it, unless it is pinned.
      std::string reason = authority.pinned ? StepReason("open", dir, platform_.fs.LastError())
                                            : StepReason("lock", path, platform_.fs.LastError());
      return {nullptr, reason, authority.failureSkips};
    }
    EntryInfo info;
    bool exists = place->folder_->Describe(place->name_, &info);
    bool link = exists && info.type == EntryType::kLink;
    // Someone besides the administrators may have put a link or a FIFO there: it is not
    // followed or opened, and it is not the run's failure either.
    if (link && authority.kind == PlaceKind::kShared) return {nullptr, kLinkNotFollowed, true};
    if (exists && !link && info.type != EntryType::kFile && authority.kind == PlaceKind::kShared)
      return {nullptr, kOddEntryNotTaken, true};
    if (link && !authority.followLinks) return {nullptr, kUsersLinkNotFollowed, true};
    return {std::move(place), {}, false};
  }

  const PlatformServices& platform_;
  DiagnosticLog& log_;
};

PlaceOrReason OpenPlace(const PlatformServices& platform, DiagnosticLog& log, const std::string& path) {
  return PlaceOpener(platform, log).Open(path);
}

}  // namespace vorex
