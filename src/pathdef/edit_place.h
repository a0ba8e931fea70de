#pragma once
// Whose place a file was found in. A run with rights (an installer, a deployment service) must
// never let a user steer it into changing what that user could not change, so each file is
// edited with the rights of whoever controls the folders leading to it.
#include <string>
#include <vector>

#include "base/path_rules.h"
#include "platform/file_system.h"

namespace vorex {

enum class PlaceKind {
  // Every folder on the way is root's or the run's own, and nobody else may change it.
  kOwn,
  // No other user owns a folder on the way, but someone else may swap entries in one of them
  // (a group-writable /usr/local): the folder is pinned and no link is followed.
  kShared,
  // A folder on the way belongs to another user: that user's rights edit the file.
  kOtherUser,
};

struct EditPlace {
  PlaceKind kind = PlaceKind::kOwn;
  EntryOwner owner;  // kOtherUser: the first folder's owner that is neither root nor the runner
};

// Looks at each folder of `path` without following links, from the root down, so that nothing
// swapped in later can change the answer for the part already looked at: the first folder of
// another user decides; otherwise any folder that others may write makes the place shared.
// False, with the reason, when a folder cannot be looked at.
bool DecidePlace(FileSystem& fs, const std::string& path, const PathRules& rules, EditPlace* place, std::string* why);

}  // namespace vorex
