#include "platform/posix/posix_file_system.h"

#include "base/paths.h"
#include "platform/last_error.h"
#include "platform/posix/mount_table.h"
#include "platform/posix/posix_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace vorex {

namespace {

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The folder as it is now, opened from the root down, each step refusing a link, so that
// nothing swapped in on the way after this point is ever gone through.
int OpenPinned(const std::string& dir) {
  char resolved[PATH_MAX];
  if (!::realpath(dir.c_str(), resolved)) {
    FailWithErrno();
    return -1;
  }
  int fd = ::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) FailWithErrno();
  std::string rest = resolved;
  std::size_t pos = 1;
  while (fd >= 0 && pos < rest.size()) {
    std::size_t slash = rest.find('/', pos);
    if (slash == std::string::npos) slash = rest.size();
    std::string name = rest.substr(pos, slash - pos);
    pos = slash + 1;
    int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (next < 0 && (errno == ELOOP || errno == ENOTDIR))
      FailWith(rest + ": a symbolic link appeared on the way");
    else if (next < 0)
      FailWithErrno();
    ::close(fd);
    fd = next;
  }
  return fd;
}

}  // namespace

PosixFileSystem::PosixFileSystem() {
  std::ifstream in("/proc/self/mountinfo");
  std::stringstream text;
  text << in.rdbuf();
  MountTable table = ParseMountInfo(text.str());
  for (const std::string& root : table.fixedRoots)
    if (IsDirectory(root)) roots_.push_back(root);  // a bind-mounted file is no drive
  mountPoints_ = std::move(table.allMountPoints);
}

PosixFileSystem::PosixFileSystem(std::vector<std::string> roots) : roots_(std::move(roots)) {
  std::sort(roots_.begin(), roots_.end());
}

std::vector<std::string> PosixFileSystem::FixedDriveRoots() {
  return roots_;
}

bool PosixFileSystem::ListDirectory(const std::string& dir, const std::function<bool(const DirEntry&)>& visit) {
  Listing listing = readAhead_.List(dir);
  if (!listing.ok) return false;
  std::string childPath;
  for (const RawEntry& raw : listing.entries) {
    DirEntry entry;
    entry.name = raw.name;
    // Symbolic links are never followed, as find does by default.
    entry.isDirectory = raw.type == DT_DIR;
    entry.isLink = raw.type == DT_LNK;
    // Other mounts are known from the mount table, read once: no stat per directory.
    if (entry.isDirectory && !mountPoints_.empty()) {
      childPath = JoinPath(dir, raw.name, PathRules::Posix());
      entry.isMountPoint = mountPoints_.contains(childPath);
    }
    if (!visit(entry)) break;
  }
  return true;
}

void PosixFileSystem::WillWalk(const std::string& root) {
  // The walk enters every directory but links (never listed as directories here) and mounts.
  readAhead_.Start(root, [this](const std::string& path) { return !mountPoints_.contains(path); });
}

void PosixFileSystem::StopReadAhead() {
  readAhead_.Clear();
}

bool PosixFileSystem::Describe(const std::string& path, EntryInfo* info) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return FailWithErrno();
  *info = InfoOf(st, S_ISDIR(st.st_mode) ? AccessListAt(path) : std::string());
  return true;
}

bool PosixFileSystem::RealPath(const std::string& path, std::string* real) {
  char resolved[PATH_MAX];
  if (!::realpath(path.c_str(), resolved)) {
    if (errno == ENOENT) {
      // A dangling link leads nowhere; a name that is not there is simply missing.
      struct stat st {};
      if (::lstat(path.c_str(), &st) == 0) return FailWith("the link leads nowhere");
    }
    return FailWithErrno();
  }
  *real = resolved;
  return true;
}

std::unique_ptr<Folder> PosixFileSystem::OpenFolder(const std::string& dir, bool pinned) {
  int fd = pinned ? OpenPinned(dir) : ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (!pinned) FailWithErrno();
    return nullptr;
  }
  return std::make_unique<PosixFolder>(fd, dir);
}

std::unique_ptr<WritableFile> PosixFileSystem::OpenLog(const std::string& path, bool isPrivate, bool append) {
  // Opened without emptying: what stands under the name is looked at first, through the
  // descriptor, and only then emptied.
  int fd = ::open(path.c_str(),
                  O_CREAT | O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (append ? O_APPEND : 0),
                  isPrivate ? 0600 : 0644);
  if (fd < 0) {
    FailWithErrno();
    return nullptr;
  }
  struct stat st {};
  // Only a plain file is written: never a device or a FIFO planted under the name.
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    FailWith("not a regular file");
    return nullptr;
  }
  return MakeLogFile(fd, isPrivate);
}

std::string PosixFileSystem::LastError() {
  return LastFailure();
}

}  // namespace vorex
