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

FoundFiles OrderFoundFiles(FileSystem& fs, const StringList& installations, const UserCopies& copies,
                           DiagnosticLog& log) {
  FoundFiles ordered;
  std::set<std::string> seen;
  auto identity = [&](const std::string& path) {
    std::string id;
    return FileIdentity(fs, path, &id) ? id : path;
  };
  // Only copies give way to a file already taken: an installation is never dropped for a file
  // that somebody linked to it from elsewhere (a link planted by a user would otherwise decide
  // with whose rights the installation is edited).
  std::set<std::string> installationIds;
  if (!copies.runner.empty() || !copies.others.empty())
    for (const std::string& path : installations) installationIds.insert(identity(path));
  auto takeCopy = [&](const FoundFile& copy) {
    std::string id = identity(copy.path);
    if (installationIds.contains(id) || !seen.insert(id).second) return;
    ordered.push_back(copy);
    log.WriteLog("User: " + OneLine(copy.path));
  };
  for (const FoundFile& copy : copies.runner) takeCopy(copy);
  for (const std::string& path : installations) ordered.push_back({path, FileKind::kInstallation, {}, {}});
  for (const FoundFile& copy : copies.others) takeCopy(copy);
  return ordered;
}

}  // namespace vorex
