#include "discovery/user_copies.h"

#include <set>

#include "base/ascii.h"
#include "base/paths.h"

namespace vorex {

namespace {

void AddIfPresent(FileSystem& fs, const std::string& documents, const UserHome& user, const PathRules& rules,
                  FoundFiles& into) {
  std::string path = JoinPath(JoinPath(documents, "MATLAB", rules), "pathdef.m", rules);
  EntryInfo info;
  if (fs.Describe(path, &info)) into.push_back({path, FileKind::kUserCopy, user.name, {}});
}

}  // namespace

UserCopies FindUserCopies(FileSystem& fs, UserDirectory& users, const PathRules& rules, bool everyone) {
  UserCopies copies;
  for (const UserHome& user : users.Homes(everyone)) {
    if (!user.isRunner && !everyone) continue;
    FoundFiles& into = user.isRunner ? copies.runner : copies.others;
    if (!user.documents.empty()) AddIfPresent(fs, user.documents, user, rules, into);
    if (user.home.empty()) continue;
    AddIfPresent(fs, JoinPath(user.home, "Documents", rules), user, rules, into);
    // A synced Documents (OneDrive, OneDrive - Company) lives in a folder of its own.
    if (!rules.IgnoreCase()) continue;
    StringList synced;
    fs.ListDirectory(user.home, [&](const DirEntry& entry) {
      if (entry.isDirectory && entry.name.size() >= 8 && EqualsIgnoreCase(entry.name.substr(0, 8), "OneDrive"))
        synced.push_back(JoinPath(user.home, entry.name, rules));
      return true;
    });
    for (const std::string& folder : synced) AddIfPresent(fs, JoinPath(folder, "Documents", rules), user, rules, into);
  }
  return copies;
}

FoundFiles OrderFoundFiles(const StringList& installations, const UserCopies& copies, DiagnosticLog& log) {
  FoundFiles ordered;
  std::set<std::string> seen;
  auto take = [&](const FoundFile& file) {
    if (!seen.insert(file.path).second) return;
    ordered.push_back(file);
    if (file.kind == FileKind::kUserCopy) log.WriteLog("User: " + OneLine(file.path));
  };
  for (const FoundFile& copy : copies.runner) take(copy);
  for (const std::string& path : installations) take({path, FileKind::kInstallation, {}, {}});
  for (const FoundFile& copy : copies.others) take(copy);
  return ordered;
}

}  // namespace vorex
