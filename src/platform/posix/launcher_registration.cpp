#include "platform/posix/launcher_registration.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

namespace vorex {

const char kLauncherClsid[] = "{5E4A3C1B-7D0F-4B6E-9A21-8C3D2F1E0B47}";

bool RegisterLauncherFromPath(MemoryRegistry& registry, const std::string& pathVariable) {
  std::size_t start = 0;
  while (start <= pathVariable.size()) {
    std::size_t end = pathVariable.find(':', start);
    if (end == std::string::npos) end = pathVariable.size();
    std::string dir = pathVariable.substr(start, end - start);
    start = end + 1;
    if (dir.empty()) continue;  // an empty entry would mean the current directory: not trusted
    std::string candidate = dir + "/matlab";
    struct stat st {};
    if (::stat(candidate.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || ::access(candidate.c_str(), X_OK) != 0) continue;
    char resolved[PATH_MAX];
    if (!::realpath(candidate.c_str(), resolved)) continue;
    registry.Put("MATLAB.APPLICATION\\CLSID", "", kLauncherClsid);
    registry.Put(std::string("CLSID\\") + kLauncherClsid + "\\LocalServer32", "", resolved);
    return true;
  }
  return false;
}

}  // namespace vorex
