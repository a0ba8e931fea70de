#pragma once
// Whose place a file lies in, and the folder it is edited in. A run with rights (an installer, a
// deployment service) must never let a user steer it into changing what that user could not
// change, so each file is edited with the authority of whoever controls the folders leading
// to it:
//  - a run without rights: its own rights, links followed; what fails, fails the run;
//  - every folder on the way is the administrators' or the run's own, and nobody else may change
//    it: the run's rights, links followed, a lock nobody else can take;
//  - nobody else owns a folder on the way, but someone else may swap entries in one of them (a
//    group-writable /usr/local) or add entries to the file's own folder (sticky and writable by
//    everyone): the folder is pinned and no link is followed;
//  - a folder on the way belongs to another user: that user's rights edit the file ("As <user>:
//    <path>" in the log), and whatever fails is not the run's failure: the file is skipped.
//    Where the platform cannot take on a user's rights, a link there is not followed.
// A pathdef.m that is the administrators' link in a place of the second kind leads to a place
// that decides anew.
#include <chrono>
#include <memory>
#include <string>

#include "base/found_file.h"
#include "base/path_rules.h"
#include "log/diagnostic_log.h"
#include "platform/file_system.h"
#include "platform/identity.h"
#include "platform/services.h"

namespace vorex {

enum class PlaceKind { kRunner, kOwn, kShared, kOtherUser };

// With what authority a file is edited.
struct Authority {
  PlaceKind kind = PlaceKind::kRunner;
  Account user;  // kOtherUser: the owner of the first folder that is neither trusted nor ours
  bool pinned = false;
  bool followLinks = true;
  LockKind lock = LockKind::kShared;
  // How long the edit waits for another run to finish with the folder.
  std::chrono::milliseconds lockWait{0};
  // A failure skips the file instead of failing the run.
  bool failureSkips = false;
};

// One file's place: its folder, opened once with the authority that edits it, for as long as
// the edit lasts. Acting as another user ends when it is destroyed, after the folder is closed.
class Place {
 public:
  const Authority& authority() const { return authority_; }
  Folder& folder() { return *folder_; }
  // The file's name in its folder.
  const std::string& name() const { return name_; }
  const PathRules& rules() const { return rules_; }
  // The path of an entry of its folder, for messages.
  std::string Path(const std::string& name) const;

 private:
  friend class PlaceOpener;
  Authority authority_;
  std::unique_ptr<ActingIdentity> actingAs_;
  std::unique_ptr<Folder> folder_;
  std::string name_;
  PathRules rules_ = PathRules::Posix();
};

// Opening a place either gives the place, or why not, and whether that fails the run or skips
// the file.
struct PlaceOrReason {
  std::unique_ptr<Place> place;
  std::string reason;  // "<step> <path>: <why>", or a plain reason for a skip
  bool skip = false;
};

// "As <user>: <path>" goes to the log when the file is edited as another user.
PlaceOrReason OpenPlace(const PlatformServices& platform, DiagnosticLog& log, const std::string& path);

// Looks at each folder of `path` without following links, from the root down, so that nothing
// swapped in later can change the answer for the part already looked at: the first folder of an
// untrusted owner decides; otherwise any folder that others may swap entries in, or the file's
// own folder when others may add entries to it, makes the place shared. False, with the reason,
// when a folder cannot be looked at.
bool DecideAuthority(const PlatformServices& platform, const std::string& path, Authority* authority, std::string* why);

}  // namespace vorex
