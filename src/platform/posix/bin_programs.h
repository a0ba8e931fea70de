#pragma once
// Programs on PATH that name an installation: an executable of that name in a PATH entry,
// links resolved, lying in a folder named bin (a whole name), whose parent is the installation.
#include <string>
#include <vector>

namespace vorex {

// The resolved programs, each once, in PATH order. Empty entries are skipped (they would mean
// the current directory), and with rights relative ones too: anybody may have chosen the
// current directory.
std::vector<std::string> BinProgramsOnPath(const std::string& pathVariable, const std::string& name, bool withRights);

// The installation of such a program: the parent of its bin folder, without a trailing '/'
// ("/" for /bin/<name>).
std::string InstallationOf(const std::string& program);

}  // namespace vorex
