#pragma once
#include <string>
#include <vector>

#include "platform/memory_registry.h"

namespace vorex {

// UNIX has no class registration. The registry stand-in is filled with what the lookup reads:
//  - the first `matlab` launcher found on PATH (links followed) as the automation server's
//    command line, so that the lookup cuts it at its last "bin";
//  - every launcher on PATH (each once, after resolving links) and every child of the standard
//    roots that holds toolbox/local/pathdef.m (`/usr/local/MATLAB/*`, `/opt/MATLAB/*`,
//    `/Applications/MATLAB_*.app`) as a release with its MATLABROOT.
// A launcher counts only when, links resolved, it lies in a folder named `bin`: the installation
// is that folder's parent. A run with rights takes only absolute entries of PATH: an empty or relative one names a
// folder by the current directory, which anybody may have chosen.
// Returns the number of installations registered.
std::vector<std::string> StandardMatlabRoots();
int RegisterInstallations(MemoryRegistry& registry, const std::string& pathVariable,
                          const std::vector<std::string>& standardRoots = StandardMatlabRoots(),
                          bool withRights = false);

extern const char kLauncherClsid[];

}  // namespace vorex
