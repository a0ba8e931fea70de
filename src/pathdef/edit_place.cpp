#include "pathdef/edit_place.h"

#include "base/paths.h"

namespace vorex {

namespace {

bool WalkFolders(FileSystem& fs, const std::vector<std::string>& folders, EditPlace* place, std::string* why) {
  for (const std::string& folder : folders) {
    EntryOwner owner;
    if (!fs.InspectEntry(folder, &owner)) {
      *why = folder + ": " + fs.LastError();
      return false;
    }
    if (!owner.privileged) {
      place->kind = PlaceKind::kOtherUser;
      place->owner = owner;
      return true;
    }
    if (owner.writableByOthers) place->kind = PlaceKind::kShared;
  }
  return true;
}

}  // namespace

bool DecidePlace(FileSystem& fs, const std::string& path, const PathRules& rules, EditPlace* place, std::string* why) {
  *place = EditPlace{};
  if (!WalkFolders(fs, FoldersOf(path, rules), place, why)) return false;
  if (place->kind == PlaceKind::kOtherUser) return true;
  // A link of root's on the way (/opt/MATLAB/R2024a leading into a user's folder) hides the
  // folders it passes through: the folder as it really is gets the same walk.
  std::string dir = ParentOf(path, rules);
  std::string real;
  if (!fs.RealFolder(dir, &real) || real == dir) return true;
  return WalkFolders(fs, FoldersOf(JoinPath(real, "x", rules), rules), place, why);
}

}  // namespace vorex
