#include "platform/posix/mount_table.h"

#include <algorithm>
#include <set>
#include <sstream>

namespace vorex {

namespace {

// Octal escapes such as \040 stand for blanks in mountinfo fields.
std::string Unescape(const std::string& field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    bool octal = field[i] == '\\' && i + 3 < field.size();
    for (std::size_t k = 1; octal && k <= 3; ++k) octal = field[i + k] >= '0' && field[i + k] <= '7';
    if (octal) {
      out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

bool IsLocalDiskType(const std::string& type) {
  static const std::set<std::string> kTypes = {"ext2",  "ext3",    "ext4",     "xfs",     "btrfs", "zfs",
                                               "f2fs",  "jfs",     "reiserfs", "vfat",    "exfat", "ntfs",
                                               "ntfs3", "fuseblk", "hfs",      "hfsplus", "apfs",  "ufs"};
  return kTypes.contains(type);
}

}  // namespace

MountTable ParseMountInfo(const std::string& text) {
  MountTable table;
  std::set<std::string> fixed{"/"};
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::vector<std::string> f;
    std::string word;
    while (fields >> word) f.push_back(word);
    auto dash = std::find(f.begin(), f.end(), "-");
    if (f.size() < 5 || dash == f.end() || dash + 1 == f.end()) continue;
    std::string mountPoint = Unescape(f[4]);
    const std::string& type = *(dash + 1);
    table.allMountPoints.insert(mountPoint);
    // Removable media are mounted under /media or /run/media.
    bool removable = mountPoint.rfind("/media/", 0) == 0 || mountPoint.rfind("/run/media/", 0) == 0;
    if (IsLocalDiskType(type) && !removable) fixed.insert(mountPoint);
  }
  table.fixedRoots.assign(fixed.begin(), fixed.end());
  return table;
}

}  // namespace vorex
