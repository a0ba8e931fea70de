#include "platform/posix/posix_octave_places.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace vorex {

namespace {

// The prefix of a program on PATH: links resolved, the parent of its folder when that folder is
// named bin; empty otherwise.
std::string PrefixOf(const std::string& program) {
  struct stat st {};
  if (::stat(program.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || ::access(program.c_str(), X_OK) != 0) return {};
  char resolved[PATH_MAX];
  if (!::realpath(program.c_str(), resolved)) return {};
  std::string path = resolved;
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos || slash < 4 || path.compare(slash - 4, 4, "/bin") != 0) return {};
  std::string prefix = path.substr(0, slash - 4);
  return prefix.empty() ? "/" : prefix;
}

}  // namespace

std::vector<std::string> PosixOctavePlaces::Prefixes() {
  std::vector<std::string> prefixes;
  std::size_t start = 0;
  while (start <= pathVariable_.size()) {
    std::size_t end = pathVariable_.find(':', start);
    if (end == std::string::npos) end = pathVariable_.size();
    std::string dir = pathVariable_.substr(start, end - start);
    start = end + 1;
    if (dir.empty() || (withRights_ && dir.front() != '/')) continue;
    for (const char* name : {"octave", "octave-cli"}) {
      std::string prefix = PrefixOf(dir + "/" + name);
      if (!prefix.empty()) prefixes.push_back(prefix);
    }
  }
  for (const char* fixed : {"/usr", "/usr/local", "/opt/homebrew"}) prefixes.emplace_back(fixed);
  std::vector<std::string> bundles;
  if (DIR* apps = ::opendir("/Applications")) {
    while (struct dirent* e = ::readdir(apps)) {
      std::string name = e->d_name;
      if (name.rfind("Octave-", 0) == 0 && name.size() > 4 && name.compare(name.size() - 4, 4, ".app") == 0)
        bundles.push_back("/Applications/" + name + "/Contents/Resources/usr");
    }
    ::closedir(apps);
  }
  std::sort(bundles.begin(), bundles.end());
  prefixes.insert(prefixes.end(), bundles.begin(), bundles.end());
  return prefixes;
}

}  // namespace vorex
