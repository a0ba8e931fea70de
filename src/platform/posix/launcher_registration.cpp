#include "platform/posix/launcher_registration.h"

#include "platform/posix/bin_programs.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

namespace vorex {

const char kLauncherClsid[] = "{5E4A3C1B-7D0F-4B6E-9A21-8C3D2F1E0B47}";

namespace {

constexpr char kReleasesKey[] = R"(SOFTWARE\MathWorks\MATLAB\)";

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
  std::vector<std::string> launchers = BinProgramsOnPath(pathVariable, "matlab", withRights);
  for (const std::string& launcher : launchers) {
    if (launcher == launchers.front()) {
      registry.Put("MATLAB.APPLICATION\\CLSID", "", kLauncherClsid);
      registry.Put(std::string("CLSID\\") + kLauncherClsid + "\\LocalServer32", "", launcher);
    }
    std::string root = InstallationOf(launcher);
    if (root.back() != '/') root += '/';
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
