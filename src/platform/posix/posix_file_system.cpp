#include "platform/posix/posix_file_system.h"

#include "base/paths.h"
#include "platform/last_error.h"
#include "platform/posix/mount_table.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
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
#include <vector>

#include "platform/posix/thread_identity.h"

namespace vorex {

namespace {

bool FailWithErrno() {
  return FailWith(std::strerror(errno));
}

// The mode (and, for root, the owner) of `from` on the open file fd.
void TakePermissions(int fd, const std::string& from) {
  struct stat st {};
  if (::stat(from.c_str(), &st) != 0) return;
  struct stat own {};
  if (::fstat(fd, &own) != 0 || !S_ISREG(own.st_mode)) return;
  if (::geteuid() == 0 && (own.st_uid != st.st_uid || own.st_gid != st.st_gid)) {
    [[maybe_unused]] int ignored = ::fchown(fd, st.st_uid, st.st_gid);
  }
  ::fchmod(fd, st.st_mode & 07777);
}

class FdWritableFile : public WritableFile {
 public:
  explicit FdWritableFile(int fd) : fd_(fd) {}
  ~FdWritableFile() override {
    if (fd_ >= 0) ::close(fd_);
  }
  bool Write(std::string_view data) override { return WriteAll(fd_, data); }
  void TakePermissionsOf(const std::string& from) override {
    if (fd_ >= 0) TakePermissions(fd_, from);
  }
  static bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
      ssize_t n = ::write(fd, data.data(), data.size());
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

// The folder this thread has pinned: calls on its entries go through the descriptor.
struct Pin {
  std::string dir;
  int fd = -1;
};
thread_local Pin t_pin;

// Where a call on `path` starts: the pinned folder's descriptor and the bare name for an entry
// directly inside it, otherwise the path as it stands.
struct At {
  int dirFd;
  std::string name;
  const char* c_str() const { return name.c_str(); }
};

At Locate(const std::string& path) {
  if (t_pin.fd >= 0 && !path.empty() && path.back() != '/' && ParentOf(path, PathRules::Posix()) == t_pin.dir)
    return {t_pin.fd, path.substr(path.rfind('/') + 1)};
  return {AT_FDCWD, path};
}

class FolderPinGuard : public FolderPin {
 public:
  ~FolderPinGuard() override {
    ::close(t_pin.fd);
    t_pin = Pin{};
  }
};

std::string UserName(uid_t uid) {
  std::vector<char> buf(16384);
  struct passwd pw {};
  struct passwd* found = nullptr;
  if (::getpwuid_r(uid, &pw, buf.data(), buf.size(), &found) == 0 && found) return found->pw_name;
  return std::to_string(uid);
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
  At at = Locate(path);
  return ::fstatat(at.dirFd, at.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

bool PosixFileSystem::ReadFile(const std::string& path, std::string* contents) {
  // O_NONBLOCK: a FIFO planted under the name must not hold the run up; it is refused below.
  At at = Locate(path);
  // A pinned folder's entry is never reached through a link.
  int nofollow = at.dirFd == AT_FDCWD ? 0 : O_NOFOLLOW;
  int fd = ::openat(at.dirFd, at.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | nofollow);
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
  At at = Locate(path);
  int fd = ::openat(at.dirFd, at.c_str(), flags | O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, mode);
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

#if defined(O_TMPFILE)
namespace {

// A file without a name until it is complete: a run killed while writing leaves nothing behind.
// Close flushes it and only then gives it its name; where the system lets no unnamed file be
// named (no rights for AT_EMPTY_PATH and no /proc), its text is copied into a named file.
class UnnamedNewFile : public WritableFile {
 public:
  UnnamedNewFile(int fd, int dirFd, std::string name, std::string path)
      : fd_(fd), dirFd_(dirFd), name_(std::move(name)), path_(std::move(path)) {}
  ~UnnamedNewFile() override {
    if (fd_ >= 0) ::close(fd_);
    if (dirFd_ >= 0) ::close(dirFd_);
  }
  bool Write(std::string_view data) override { return FdWritableFile::WriteAll(fd_, data); }
  void TakePermissionsOf(const std::string& from) override {
    if (fd_ >= 0) TakePermissions(fd_, from);
  }
  bool Close() override {
    if (fd_ < 0) return FailWith("already closed");
    bool ok = ::fsync(fd_) == 0 || FailWithErrno();
    if (ok) ok = GiveName();
    ::close(fd_);
    ::close(dirFd_);
    fd_ = dirFd_ = -1;
    return ok;
  }

 private:
  bool GiveName() {
    if (::linkat(fd_, "", dirFd_, name_.c_str(), AT_EMPTY_PATH) == 0) return true;
    if (errno == EEXIST) return FailWithErrno();
    std::string self = "/proc/self/fd/" + std::to_string(fd_);
    if (::linkat(AT_FDCWD, self.c_str(), dirFd_, name_.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
    if (errno == EEXIST) return FailWithErrno();
    return CopyToNamedFile();
  }
  bool CopyToNamedFile() {
    int out = ::openat(dirFd_, name_.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (out < 0) return FailWithErrno();
    char buf[65536];
    off_t at = 0;
    bool ok = true;
    for (;;) {
      ssize_t n = ::pread(fd_, buf, sizeof buf, at);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        ok = FailWithErrno();
        break;
      }
      if (n == 0) break;
      if (!FdWritableFile::WriteAll(out, std::string_view(buf, static_cast<std::size_t>(n)))) {
        ok = false;
        break;
      }
      at += n;
    }
    if (ok && ::fsync(out) != 0 && errno != EINVAL) ok = FailWithErrno();
    ::close(out);
    if (!ok) ::unlinkat(dirFd_, name_.c_str(), 0);
    return ok;
  }

  int fd_;
  int dirFd_;
  std::string name_;
  std::string path_;
};

}  // namespace
#endif

std::unique_ptr<WritableFile> PosixFileSystem::CreateNew(const std::string& path) {
  // Private until CopyPermissions gives it the mode of the file it replaces.
#if defined(O_TMPFILE)
  At at = Locate(path);
  std::string dir = at.dirFd == AT_FDCWD ? ParentOf(path, PathRules::Posix()) : ".";
  std::string name = at.dirFd == AT_FDCWD ? path.substr(path.rfind('/') + 1) : at.name;
  int dirFd = ::openat(at.dirFd, dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    struct stat st {};
    if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
      ::close(dirFd);
      FailWith(std::strerror(EEXIST));
      return nullptr;
    }
    int fd = ::openat(dirFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0) return std::make_unique<UnnamedNewFile>(fd, dirFd, name, path);
    ::close(dirFd);  // a file system without unnamed files: a named one below
  }
#endif
  return OpenRegularForWrite(path, O_CREAT | O_EXCL, 0600);
}

bool PosixFileSystem::ResolveLink(const std::string& path, std::string* target) {
  struct stat st {};
  At at = Locate(path);
  if (::fstatat(at.dirFd, at.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return FailWithErrno();
  if (!S_ISLNK(st.st_mode)) {
    *target = path;
    return true;
  }
  if (at.dirFd != AT_FDCWD) return FailWith("a symbolic link in a pinned folder is not followed");
  char resolved[PATH_MAX];
  if (!::realpath(path.c_str(), resolved)) {
    if (errno == ENOENT) return FailWith("the link leads nowhere");
    return FailWithErrno();
  }
  *target = resolved;
  return true;
}

namespace {

// Takes the flock on fd within the timeout; the lock owns fd from then on. Null (fd closed)
// otherwise.
std::unique_ptr<FileLock> FlockWithin(int fd, std::chrono::milliseconds timeout) {
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

// Where runs with rights keep their locks: a folder of root's own that nobody else may open.
constexpr char kPrivateLockFolder[] = "/run/vorex";
constexpr std::chrono::milliseconds kFolderLockWait{2000};

class BothLocks : public FileLock {
 public:
  BothLocks(std::unique_ptr<FileLock> own, std::unique_ptr<FileLock> shared)
      : own_(std::move(own)), shared_(std::move(shared)) {}

 private:
  std::unique_ptr<FileLock> own_;
  std::unique_ptr<FileLock> shared_;  // null when somebody else held the folder too long
};

}  // namespace

std::unique_ptr<FileLock> PosixFileSystem::LockForEdit(const std::string& path, std::chrono::milliseconds timeout) {
  // The directory stays put while pathdef.m is renamed in it, so every run locks the same thing.
  std::string dir = ParentOf(path, PathRules::Posix());
  // The pinned folder itself when it is the one: a fresh description of it, so that the lock
  // goes with this descriptor alone.
  int fd = t_pin.fd >= 0 && dir == t_pin.dir ? ::openat(t_pin.fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                                             : ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    FailWithErrno();
    return nullptr;
  }
  return FlockWithin(fd, timeout);
}

std::unique_ptr<FileLock> PosixFileSystem::LockPrivately(const std::string& path, std::chrono::milliseconds timeout) {
  // Anyone who may read a folder may flock it, and so hold up an installer's run on a folder
  // only root may change. A run with rights locks a file of its own instead, named after the
  // folder's identity, in a folder only root may open; where there is none (no /run in a
  // chroot), the folder itself as any run does.
  std::string dir = ParentOf(path, PathRules::Posix());
  struct stat folder {};
  if (::geteuid() != 0 || ::stat(dir.c_str(), &folder) != 0) return LockForEdit(path, timeout);
  ::mkdir(kPrivateLockFolder, 0700);
  int runFd = ::open(kPrivateLockFolder, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  struct stat run {};
  if (runFd < 0 || ::fstat(runFd, &run) != 0 || run.st_uid != 0 || (run.st_mode & 077) != 0) {
    if (runFd >= 0) ::close(runFd);
    return LockForEdit(path, timeout);
  }
  std::string name = std::to_string(folder.st_dev) + "-" + std::to_string(folder.st_ino) + ".lock";
  int fd = ::openat(runFd, name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
  ::close(runFd);
  if (fd < 0) return LockForEdit(path, timeout);
  std::unique_ptr<FileLock> own = FlockWithin(fd, timeout);
  if (!own) return nullptr;
  // The folder's own lock too, as every other run and tool takes it, but waited for only a
  // little: held longer, it is somebody's who may not change the folder anyway.
  std::unique_ptr<FileLock> shared = LockForEdit(path, std::min(timeout, kFolderLockWait));
  return std::make_unique<BothLocks>(std::move(own), std::move(shared));
}

bool PosixFileSystem::Remove(const std::string& path) {
  At at = Locate(path);
  return ::unlinkat(at.dirFd, at.c_str(), 0) == 0 || FailWithErrno();
}

bool PosixFileSystem::Rename(const std::string& from, const std::string& to) {
  At src = Locate(from), dst = Locate(to);
  // link() refuses an existing destination, which makes the rename refuse it too.
  if (::linkat(src.dirFd, src.c_str(), dst.dirFd, dst.c_str(), 0) == 0) {
    if (::unlinkat(src.dirFd, src.c_str(), 0) == 0) return true;
    FailWithErrno();
    ::unlinkat(dst.dirFd, dst.c_str(), 0);
    return false;
  }
  if (errno == EEXIST) return FailWithErrno();
  if (Exists(to)) return FailWith(std::strerror(EEXIST));
  return ::renameat(src.dirFd, src.c_str(), dst.dirFd, dst.c_str()) == 0 || FailWithErrno();
}

FsStatus PosixFileSystem::HardLink(const std::string& existing, const std::string& link) {
  At src = Locate(existing), dst = Locate(link);
  if (::linkat(src.dirFd, src.c_str(), dst.dirFd, dst.c_str(), 0) == 0) return FsStatus::kOk;
  int error = errno;
  FailWithErrno();
  if (error == EPERM || error == ENOTSUP || error == EOPNOTSUPP || error == EXDEV || error == EMLINK)
    return FsStatus::kUnsupported;
  return FsStatus::kFailed;
}

bool PosixFileSystem::RenameOver(const std::string& from, const std::string& to) {
  At src = Locate(from), dst = Locate(to);
  if (::renameat(src.dirFd, src.c_str(), dst.dirFd, dst.c_str()) != 0) return FailWithErrno();
  if (dst.dirFd != AT_FDCWD) {
    ::fsync(dst.dirFd);
  } else {
    SyncDirectory(ParentOf(to, PathRules::Posix()));
  }
  return true;
}

FsStatus PosixFileSystem::ReplaceFile(const std::string& /*target*/, const std::string& /*replacement*/,
                                      const std::string& /*backup*/) {
  return FsStatus::kUnsupported;
}

void PosixFileSystem::CopyPermissions(const std::string& from, const std::string& to) {
  struct stat st {};
  At src = Locate(from), dst = Locate(to);
  if (::fstatat(src.dirFd, src.c_str(), &st, 0) != 0) return;
  // Through a descriptor of the new file itself, so that nothing swapped in under its name
  // gets the mode or the owner.
  int fd = ::openat(dst.dirFd, dst.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return;
  struct stat own {};
  if (::fstat(fd, &own) == 0 && S_ISREG(own.st_mode)) {
    // Ownership too where we may (a run as root over a user's file); failures leave the defaults.
    if (::geteuid() == 0 && (own.st_uid != st.st_uid || own.st_gid != st.st_gid)) {
      [[maybe_unused]] int ignored = ::fchown(fd, st.st_uid, st.st_gid);
    }
    ::fchmod(fd, st.st_mode & 07777);
  }
  ::close(fd);
}

bool PosixFileSystem::RealFolder(const std::string& dir, std::string* real) {
  char resolved[PATH_MAX];
  if (!::realpath(dir.c_str(), resolved)) return FailWithErrno();
  *real = resolved;
  return true;
}

void PosixFileSystem::MakeReadableByAll(const std::string& path) {
  At at = Locate(path);
  int fd = ::openat(at.dirFd, at.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) ::fchmod(fd, (st.st_mode & 07777) | 0444);
  ::close(fd);
}

bool PosixFileSystem::FileIdentity(const std::string& path, std::string* id) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return FailWithErrno();
  *id = std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
  return true;
}

bool PosixFileSystem::RunsWithRights() {
  return ::geteuid() == 0;
}

bool PosixFileSystem::InspectEntry(const std::string& path, EntryOwner* owner) {
  struct stat st {};
  At at = Locate(path);
  if (::fstatat(at.dirFd, at.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return FailWithErrno();
  owner->isDirectory = S_ISDIR(st.st_mode);
  owner->isLink = S_ISLNK(st.st_mode);
  owner->userId = st.st_uid;
  owner->groupId = st.st_gid;
  owner->userName = UserName(st.st_uid);
  owner->privileged = st.st_uid == 0 || st.st_uid == ::geteuid();
  bool groupMayWrite = (st.st_mode & S_IWGRP) != 0 && st.st_gid != 0;
  bool everyoneMaySwap = (st.st_mode & S_IWOTH) != 0 && (st.st_mode & S_ISVTX) == 0;
  owner->writableByOthers = owner->isDirectory && (groupMayWrite || everyoneMaySwap);
  return true;
}

FsStatus PosixFileSystem::ActAs(const EntryOwner& owner, std::unique_ptr<ActingIdentity>* guard) {
  return ActAsOnThisThread(owner, guard);
}

std::unique_ptr<FolderPin> PosixFileSystem::PinFolder(const std::string& dir) {
  // The folder as it is now; from the root down each step refuses a link, so nothing swapped
  // in on the way after this point is ever gone through.
  char resolved[PATH_MAX];
  if (!::realpath(dir.c_str(), resolved)) {
    FailWithErrno();
    return nullptr;
  }
  int fd = ::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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
  if (fd < 0) {
    if (rest == "/") FailWithErrno();
    return nullptr;
  }
  if (t_pin.fd >= 0) ::close(t_pin.fd);
  t_pin = Pin{dir, fd};
  return std::make_unique<FolderPinGuard>();
}

std::unique_ptr<WritableFile> PosixFileSystem::CreateLog(const std::string& path, bool guarded) {
  if (!guarded) return CreateForWrite(path);
  // Opened without emptying: what stands under the name is looked at first, through the
  // descriptor, and only then emptied.
  int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
  if (fd < 0) {
    FailWithErrno();
    return nullptr;
  }
  struct stat st {};
  struct stat dirSt {};
  std::string dir = ParentOf(path, PathRules::Posix());
  // Others may write the folder: its owner is someone else, or a group's or everyone's bit is set.
  bool dirOthers = ::stat(dir.c_str(), &dirSt) != 0 || (dirSt.st_uid != 0 && dirSt.st_uid != ::geteuid()) ||
                   ((dirSt.st_mode & S_IWGRP) != 0 && dirSt.st_gid != 0) || (dirSt.st_mode & S_IWOTH) != 0;
  const char* refusal = nullptr;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    refusal = "not a regular file";
  } else if (st.st_nlink > 1) {
    refusal = "it has more than one name (a hard link)";
  } else if (st.st_uid != ::geteuid() && st.st_uid != 0 && dirOthers) {
    refusal = "it belongs to another user in a folder that others may write";
  }
  if (refusal || ::ftruncate(fd, 0) != 0 || ::fchmod(fd, 0600) != 0) {
    if (refusal)
      FailWith(refusal);
    else
      FailWithErrno();
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<FdWritableFile>(fd);
}

std::string PosixFileSystem::LastError() {
  return LastFailure();
}

}  // namespace vorex
