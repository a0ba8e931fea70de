#include "pathdef/edit_place.h"

#include "base/paths.h"

namespace vorex {

std::vector<std::string> FoldersOf(const std::string& path, const PathRules& rules) {
  std::vector<std::string> folders;
  std::size_t end = path.find_last_of(rules.Separators());
  if (end == std::string::npos) return folders;
  for (std::size_t pos = 0; pos <= end; ++pos) {
    if (rules.Separators().find(path[pos]) == std::string_view::npos) continue;
    std::string folder = path.substr(0, pos);
    // A root keeps its separator: "/" and "C:\".
    if (folder.empty() || (folder.size() == 2 && folder[1] == ':')) folder = path.substr(0, pos + 1);
    if (folders.empty() || folders.back() != folder) folders.push_back(folder);
  }
  return folders;
}

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
