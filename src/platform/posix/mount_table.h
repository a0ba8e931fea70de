#pragma once
// The mount table: which mounted file systems count as fixed drives, and where every mount is.
#include <string>
#include <unordered_set>
#include <vector>

namespace vorex {

// Reads /proc/self/mountinfo (or the given text in its format): the local disk mount points,
// sorted, and every mount point of any kind.
struct MountTable {
  std::vector<std::string> fixedRoots;
  std::unordered_set<std::string> allMountPoints;
};
MountTable ParseMountInfo(const std::string& text);

}  // namespace vorex
