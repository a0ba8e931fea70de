#include "platform/posix/posix_file_system.h"

#include "base/paths.h"
#include "platform/last_error.h"
#include "platform/posix/mount_table.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

namespace vorex {

namespace {

bool FailWithErrno() {
  return FailWith(std::strerror(errno));
}

class FdWritableFile : public WritableFile {
 public:
  explicit FdWritableFile(int fd) : fd_(fd) {}
  ~FdWritableFile() override {
    if (fd_ >= 0) ::close(fd_);
  }
  bool Write(std::string_view data) override {
    while (!data.empty()) {
      ssize_t n = ::write(fd_, data.data(), data.size());
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return FailWithErrno();
      if (n == 0) return FailWith("nothing written");
      data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
  }
  bool Close() override {
    if (fd_ < 0) return FailWith("already closed");
    bool ok = ::fsync(fd_) == 0 || errno == EINVAL;  // EINVAL: a file that cannot be synced
    if (!ok) FailWithErrno();
    if (::close(fd_) != 0 && ok) ok = FailWithErrno();
    fd_ = -1;
    return ok;
  }

 private:
  int fd_;
};

void SyncDirectory(const std::string& dir) {
  int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
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

bool PosixFileSystem::Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

bool PosixFileSystem::ReadFile(const std::string& path, std::string* contents) {
  // O_NONBLOCK: a FIFO planted under the name must not hold the run up; it is refused below.
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return FailWithErrno();
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return FailWith("not a regular file");
  }
  contents->clear();
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      FailWithErrno();
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    contents->append(buf, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return true;
}

namespace {

std::unique_ptr<WritableFile> OpenRegularForWrite(const std::string& path, int flags, mode_t mode) {
  int fd = ::open(path.c_str(), flags | O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, mode);
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
  return std::make_unique<FdWritableFile>(fd);
}

class DirectoryLock : public FileLock {
 public:
  explicit DirectoryLock(int fd) : fd_(fd) {}
  ~DirectoryLock() override { ::close(fd_); }  // closing the descriptor releases the flock

 private:
  int fd_;
};

}  // namespace

std::unique_ptr<WritableFile> PosixFileSystem::CreateForWrite(const std::string& path) {
  return OpenRegularForWrite(path, O_CREAT | O_TRUNC, 0644);
}

std::unique_ptr<WritableFile> PosixFileSystem::CreateNew(const std::string& path) {
  // Private until CopyPermissions gives it the mode of the file it replaces.
  return OpenRegularForWrite(path, O_CREAT | O_EXCL, 0600);
}

bool PosixFileSystem::ResolveLink(const std::string& path, std::string* target) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return FailWithErrno();
  if (!S_ISLNK(st.st_mode)) {
    *target = path;
    return true;
  }
  char resolved[PATH_MAX];
  if (!::realpath(path.c_str(), resolved)) {
    if (errno == ENOENT) return FailWith("the link leads nowhere");
    return FailWithErrno();
  }
  *target = resolved;
  return true;
}

std::unique_ptr<FileLock> PosixFileSystem::LockForEdit(const std::string& path, std::chrono::milliseconds timeout) {
  // The directory stays put while pathdef.m is renamed in it, so every run locks the same thing.
  std::string dir = ParentOf(path, PathRules::Posix());
  int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    FailWithErrno();
    return nullptr;
  }
  auto deadline = std::chrono::steady_clock::now() + timeout;
  auto pause = std::chrono::milliseconds(1);
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return std::make_unique<DirectoryLock>(fd);
    if (errno != EWOULDBLOCK && errno != EINTR) {
      FailWithErrno();
      break;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      FailWith("another run held it for more than " + std::to_string(timeout.count()) + " ms");
      break;
    }
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::milliseconds(50));
  }
  ::close(fd);
  return nullptr;
}

bool PosixFileSystem::Remove(const std::string& path) {
  return ::unlink(path.c_str()) == 0 || FailWithErrno();
}

bool PosixFileSystem::Rename(const std::string& from, const std::string& to) {
  // link() refuses an existing destination, which makes the rename refuse it too.
  if (::link(from.c_str(), to.c_str()) == 0) {
    if (::unlink(from.c_str()) == 0) return true;
    FailWithErrno();
    ::unlink(to.c_str());
    return false;
  }
  if (errno == EEXIST) return FailWithErrno();
  if (Exists(to)) return FailWith(std::strerror(EEXIST));
  return ::rename(from.c_str(), to.c_str()) == 0 || FailWithErrno();
}

FsStatus PosixFileSystem::HardLink(const std::string& existing, const std::string& link) {
  if (::link(existing.c_str(), link.c_str()) == 0) return FsStatus::kOk;
  int error = errno;
  FailWithErrno();
  if (error == EPERM || error == ENOTSUP || error == EOPNOTSUPP || error == EXDEV || error == EMLINK)
    return FsStatus::kUnsupported;
  return FsStatus::kFailed;
}

bool PosixFileSystem::RenameOver(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) != 0) return FailWithErrno();
  SyncDirectory(ParentOf(to, PathRules::Posix()));
  return true;
}

FsStatus PosixFileSystem::ReplaceFile(const std::string& /*target*/, const std::string& /*replacement*/,
                                      const std::string& /*backup*/) {
  return FsStatus::kUnsupported;
}

void PosixFileSystem::CopyPermissions(const std::string& from, const std::string& to) {
  struct stat st {};
  if (::stat(from.c_str(), &st) != 0) return;
  // Ownership too where we may (a run as root over a user's file); failures leave the defaults.
  if (::geteuid() == 0) {
    [[maybe_unused]] int ignored = ::lchown(to.c_str(), st.st_uid, st.st_gid);
  }
  ::chmod(to.c_str(), st.st_mode & 07777);
}

std::string PosixFileSystem::LastError() {
  return LastFailure();
}

}  // namespace vorex
