#include "platform/posix/posix_octave_places.h"

#include "platform/posix/bin_programs.h"

#include <dirent.h>

#include <algorithm>

namespace vorex {

std::vector<std::string> PosixOctavePlaces::Prefixes() {
  std::vector<std::string> prefixes;
  for (const char* name : {"octave", "octave-cli"})
    for (const std::string& program : BinProgramsOnPath(pathVariable_, name, withRights_))
      prefixes.push_back(InstallationOf(program));
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
