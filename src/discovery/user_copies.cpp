#include "discovery/user_copies.h"

#include <set>

#include "base/ascii.h"
#include "base/paths.h"

namespace vorex {

namespace {

void AddIfPresent(FileSystem& fs, const std::string& documents, const PathRules& rules, StringList& into) {
  std::string path = JoinPath(JoinPath(documents, "MATLAB", rules), "pathdef.m", rules);
  if (fs.Exists(path)) into.push_back(path);
}

}  // namespace

UserCopies FindUserCopies(FileSystem& fs, UserDirectory& users, const PathRules& rules, bool everyone) {
  UserCopies copies;
  for (const UserHome& user : users.Homes(everyone)) {
    if (!user.isRunner && !everyone) continue;
    StringList& into = user.isRunner ? copies.runner : copies.others;
    if (!user.documents.empty()) AddIfPresent(fs, user.documents, rules, into);
    if (user.home.empty()) continue;
    AddIfPresent(fs, JoinPath(user.home, "Documents", rules), rules, into);
    // A synced Documents (OneDrive, OneDrive - Company) lives in a folder of its own.
    if (!rules.IgnoreCase()) continue;
    StringList synced;
    fs.ListDirectory(user.home, [&](const DirEntry& entry) {
      if (entry.isDirectory && entry.name.size() >= 8 && EqualsIgnoreCase(entry.name.substr(0, 8), "OneDrive"))
        synced.push_back(JoinPath(user.home, entry.name, rules));
      return true;
    });
    for (const std::string& folder : synced) AddIfPresent(fs, JoinPath(folder, "Documents", rules), rules, into);
  }
  return copies;
}

StringList OrderFoundFiles(FileSystem& fs, const StringList& installations, const UserCopies& copies,
                           DiagnosticLog& log) {
  StringList ordered;
  std::set<std::string> seen;
  auto identity = [&](const std::string& path) {
    std::string id;
    return fs.FileIdentity(path, &id) ? id : path;
  };
  // Only copies give way to a file already taken: an installation is never dropped for a file
  // that somebody linked to it from elsewhere (a link planted by a user would otherwise decide
  // with whose rights the installation is edited).
  std::set<std::string> installationIds;
  if (!copies.runner.empty() || !copies.others.empty())
    for (const std::string& path : installations) installationIds.insert(identity(path));
  auto takeCopy = [&](const std::string& path) {
    std::string id = identity(path);
    if (installationIds.contains(id) || !seen.insert(id).second) return;
    ordered.push_back(path);
    log.WriteLog("User: " + OneLine(path));
  };
  for (const std::string& path : copies.runner) takeCopy(path);
  ordered.insert(ordered.end(), installations.begin(), installations.end());
  for (const std::string& path : copies.others) takeCopy(path);
  return ordered;
}

}  // namespace vorex
