#include "platform/posix/launcher_registration.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <set>

namespace vorex {

const char kLauncherClsid[] = "{5E4A3C1B-7D0F-4B6E-9A21-8C3D2F1E0B47}";

namespace {

constexpr char kReleasesKey[] = R"(SOFTWARE\MathWorks\MATLAB\)";

bool IsExecutableFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

bool HoldsPathdef(const std::string& root) {
  struct stat st {};
  return ::stat((root + "/toolbox/local/pathdef.m").c_str(), &st) == 0;
}

// The children of `dir` that are installations, by name; on macOS only the MATLAB_*.app bundles.
std::vector<std::string> InstallationsIn(const std::string& dir) {
  std::vector<std::string> found;
  DIR* d = ::opendir(dir.c_str());
  if (!d) return found;
  bool apps = dir == "/Applications";
  while (struct dirent* e = ::readdir(d)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    if (apps && (name.rfind("MATLAB_", 0) != 0 || name.size() < 4 || name.substr(name.size() - 4) != ".app")) continue;
    std::string root = dir;
    root += '/';
    root += name;
    if (HoldsPathdef(root)) found.push_back(root);
  }
  ::closedir(d);
  std::sort(found.begin(), found.end());
  return found;
}

}  // namespace

std::vector<std::string> StandardMatlabRoots() {
  return {"/usr/local/MATLAB", "/opt/MATLAB", "/Applications"};
}

int RegisterInstallations(MemoryRegistry& registry, const std::string& pathVariable,
                          const std::vector<std::string>& standardRoots, bool withRights) {
  int count = 0;
  std::set<std::string> launchers;
  std::size_t start = 0;
  while (start <= pathVariable.size()) {
    std::size_t end = pathVariable.find(':', start);
    if (end == std::string::npos) end = pathVariable.size();
    std::string dir = pathVariable.substr(start, end - start);
    start = end + 1;
    if (dir.empty()) continue;  // an empty entry would mean the current directory: not trusted
    if (withRights && dir.front() != '/') continue;
    std::string candidate = dir + "/matlab";
    if (!IsExecutableFile(candidate)) continue;
    char resolved[PATH_MAX];
    if (!::realpath(candidate.c_str(), resolved)) continue;
    // The installation is the parent of the launcher's folder, and only when that folder is
    // `bin` (a whole name, after links): any other launcher names no installation.
    std::string launcher = resolved;
    std::size_t slash = launcher.rfind('/');
    if (slash < 4 || launcher.compare(slash - 4, 4, "/bin") != 0) continue;
    if (!launchers.insert(launcher).second) continue;
    if (launchers.size() == 1) {
      registry.Put("MATLAB.APPLICATION\\CLSID", "", kLauncherClsid);
      registry.Put(std::string("CLSID\\") + kLauncherClsid + "\\LocalServer32", "", resolved);
    }
    std::string root = launcher.substr(0, slash - 3);
    registry.PutIn(kHkeyLocalMachine, registry.nativeView, kReleasesKey + root, "MATLABROOT", root);
    ++count;
  }
  for (const std::string& dir : standardRoots) {
    for (const std::string& root : InstallationsIn(dir)) {
      registry.PutIn(kHkeyLocalMachine, registry.nativeView, kReleasesKey + root, "MATLABROOT", root);
      ++count;
    }
  }
  return count;
}

}  // namespace vorex
