#include "platform/posix/bin_programs.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace vorex {

namespace {

bool IsExecutableFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

bool InBinFolder(const std::string& program) {
  std::size_t slash = program.rfind('/');
  return slash != std::string::npos && slash >= 4 && program.compare(slash - 4, 4, "/bin") == 0;
}

}  // namespace

std::vector<std::string> BinProgramsOnPath(const std::string& pathVariable, const std::string& name, bool withRights) {
  std::vector<std::string> programs;
  std::size_t start = 0;
  while (start <= pathVariable.size()) {
    std::size_t end = pathVariable.find(':', start);
    if (end == std::string::npos) end = pathVariable.size();
    std::string dir = pathVariable.substr(start, end - start);
    start = end + 1;
    if (dir.empty() || (withRights && dir.front() != '/')) continue;
    std::string candidate = dir;
    candidate += '/';
    candidate += name;
    char resolved[PATH_MAX];
    if (!IsExecutableFile(candidate) || !::realpath(candidate.c_str(), resolved) || !InBinFolder(resolved)) continue;
    if (std::find(programs.begin(), programs.end(), resolved) == programs.end()) programs.emplace_back(resolved);
  }
  return programs;
}

std::string InstallationOf(const std::string& program) {
  std::string prefix = program.substr(0, program.rfind('/') - 4);
  return prefix.empty() ? "/" : prefix;
}

}  // namespace vorex
