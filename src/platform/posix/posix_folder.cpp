#include "platform/posix/posix_folder.h"

#include "platform/last_error.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>
#include <vector>

namespace vorex {

namespace {

std::string UserName(uid_t uid) {
  std::vector<char> buf(16384);
  struct passwd pw {};
  struct passwd* found = nullptr;
  if (::getpwuid_r(uid, &pw, buf.data(), buf.size(), &found) == 0 && found) return found->pw_name;
  return std::to_string(uid);
}

std::string Name(std::string_view name) {
  return std::string(name);
}

class FdWritableFile : public WritableFile {
 public:
  FdWritableFile(int fd, bool isPrivate) : fd_(fd), private_(isPrivate) {}
  ~FdWritableFile() override {
    if (fd_ >= 0) ::close(fd_);
  }
  bool Write(std::string_view data) override { return WriteAll(fd_, data); }
  bool Close() override {
    if (fd_ < 0) return FailWith("already closed");
    bool ok = ::fsync(fd_) == 0 || errno == EINVAL;  // EINVAL: a file that cannot be synced
    if (!ok) FailWithErrno();
    if (::close(fd_) != 0 && ok) ok = FailWithErrno();
    fd_ = -1;
    return ok;
  }
  bool Describe(EntryInfo* info) override {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return FailWithErrno();
    *info = InfoOf(st);
    return true;
  }
  bool Empty() override {
    if (::ftruncate(fd_, 0) != 0) return FailWithErrno();
    return !private_ || ::fchmod(fd_, 0600) == 0 || FailWithErrno();
  }

 private:
  int fd_;
  bool private_;
};

#if defined(O_TMPFILE)
// A file without a name until it is complete: a run killed while writing leaves nothing behind.
// Close flushes it and only then gives it its name; where the system lets no unnamed file be
// named (no rights for AT_EMPTY_PATH and no /proc), its text is copied into a named file.
class UnnamedNewFile : public WritableFile {
 public:
  UnnamedNewFile(int fd, int dirFd, std::string name) : fd_(fd), dirFd_(dirFd), name_(std::move(name)) {}
  ~UnnamedNewFile() override {
    if (fd_ >= 0) ::close(fd_);
    if (dirFd_ >= 0) ::close(dirFd_);
  }
  bool Write(std::string_view data) override { return WriteAll(fd_, data); }
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
    struct stat st {};
    bool ok = ::fstat(fd_, &st) == 0 || FailWithErrno();
    if (ok) ok = CopyInto(out);
    // The copy is the file: it gets what the unnamed one was given.
    if (ok && (st.st_uid != ::geteuid() || st.st_gid != ::getegid())) {
      [[maybe_unused]] int ignored = ::fchown(out, st.st_uid, st.st_gid);
    }
    if (ok && ::fchmod(out, st.st_mode & 07777) != 0) ok = FailWithErrno();
    if (ok && ::fsync(out) != 0 && errno != EINVAL) ok = FailWithErrno();
    ::close(out);
    if (!ok) ::unlinkat(dirFd_, name_.c_str(), 0);
    return ok;
  }
  bool CopyInto(int out) {
    char buf[65536];
    for (off_t at = 0;;) {
      ssize_t n = ::pread(fd_, buf, sizeof buf, at);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return FailWithErrno();
      if (n == 0) return true;
      if (!WriteAll(out, std::string_view(buf, static_cast<std::size_t>(n)))) return false;
      at += n;
    }
  }

  int fd_;
  int dirFd_;
  std::string name_;
};
#endif

class DescriptorLock : public FileLock {
 public:
  explicit DescriptorLock(int fd) : fd_(fd) {}
  ~DescriptorLock() override { ::close(fd_); }  // closing the descriptor releases the flock

 private:
  int fd_;
};

using Deadline = std::chrono::steady_clock::time_point;

// Takes the flock on fd by the deadline, `timeout` after the wait began. False, with fd closed,
// when it cannot.
bool FlockOnly(int fd, Deadline deadline, std::chrono::milliseconds timeout) {
  auto pause = std::chrono::milliseconds(1);
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
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
  return false;
}

// The flock on fd within the timeout; the lock owns fd from then on. Null (fd closed) otherwise.
std::unique_ptr<FileLock> FlockWithin(int fd, std::chrono::milliseconds timeout) {
  if (!FlockOnly(fd, std::chrono::steady_clock::now() + timeout, timeout)) return nullptr;
  return std::make_unique<DescriptorLock>(fd);
}

// Where runs with rights keep their locks: a folder of root's own that nobody else may open.
constexpr char kPrivateLockFolder[] = "/run/vorex";
constexpr std::chrono::milliseconds kFolderLockWait{2000};

// A lock file of ours in root's lock folder, removed when released. It is removed while still
// held, and whoever takes a lock checks afterwards that the file it holds still has the name:
// otherwise two runs could hold two files of one name, one of them gone.
class PrivateLock : public FileLock {
 public:
  PrivateLock(int runFd, int fd, std::string name, std::unique_ptr<FileLock> shared)
      : runFd_(runFd), fd_(fd), name_(std::move(name)), shared_(std::move(shared)) {}
  ~PrivateLock() override {
    shared_.reset();
    ::unlinkat(runFd_, name_.c_str(), 0);
    ::close(fd_);
    ::close(runFd_);
  }

 private:
  int runFd_;
  int fd_;
  std::string name_;
  std::unique_ptr<FileLock> shared_;  // null when somebody else held the folder too long
};

// True when fd, just locked, is still the file named `name` in runFd.
bool StillNamed(int runFd, int fd, const std::string& name) {
  struct stat held {
  }, named{};
  return ::fstat(fd, &held) == 0 && held.st_nlink > 0 &&
         ::fstatat(runFd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && held.st_dev == named.st_dev &&
         held.st_ino == named.st_ino;
}

}  // namespace

bool FailWithErrno() {
  return FailWith(std::strerror(errno));
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return FailWithErrno();
    if (n == 0) return FailWith("nothing written");
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

std::unique_ptr<WritableFile> MakeLogFile(int fd, bool isPrivate) {
  return std::make_unique<FdWritableFile>(fd, isPrivate);
}

namespace {

// The named users and groups of an access list that may write, through its mask: on a folder
// with such a list the group bits of the mode are the mask, which covers them all.
bool AccessListLetsOthersWrite(const struct stat& st, std::string_view list) {
  // A version word, then entries of a 16-bit tag, 16-bit permissions and a 32-bit id, all
  // little-endian, as the kernel hands them over.
  constexpr unsigned kUser = 0x02, kGroup = 0x08, kMask = 0x10, kWrite = 0x02;
  auto word = [&](std::size_t at, int bytes) {
    unsigned long value = 0;
    for (int b = bytes - 1; b >= 0; --b) value = value << 8 | static_cast<unsigned char>(list[at + b]);
    return value;
  };
  if (list.size() < 4 || (list.size() - 4) % 8 != 0) return false;
  bool maskWrites = true, namedWrites = false;
  for (std::size_t at = 4; at < list.size(); at += 8) {
    unsigned long tag = word(at, 2), perm = word(at + 2, 2), id = word(at + 4, 4);
    if (tag == kMask) maskWrites = (perm & kWrite) != 0;
    bool someoneElse = (tag == kUser && id != 0 && id != st.st_uid && id != ::geteuid()) || (tag == kGroup && id != 0);
    if (someoneElse && (perm & kWrite) != 0) namedWrites = true;
  }
  return namedWrites && maskWrites;
}

}  // namespace

std::string AccessListOf(int fd) {
  char buf[4096];
  ssize_t n = ::fgetxattr(fd, "system.posix_acl_access", buf, sizeof buf);
  return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

std::string AccessListAt(const std::string& path) {
  char buf[4096];
  ssize_t n = ::lgetxattr(path.c_str(), "system.posix_acl_access", buf, sizeof buf);
  return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

EntryInfo InfoOf(const struct stat& st, std::string_view accessList) {
  EntryInfo info;
  info.type = S_ISREG(st.st_mode)   ? EntryType::kFile
              : S_ISDIR(st.st_mode) ? EntryType::kDirectory
              : S_ISLNK(st.st_mode) ? EntryType::kLink
                                    : EntryType::kOther;
  info.owner = {std::to_string(st.st_uid) + ":" + std::to_string(st.st_gid), UserName(st.st_uid)};
  if (info.type == EntryType::kDirectory) {
    // Root's group is the administrators'; a sticky bit keeps everyone from others' entries.
    bool groupMayWrite = ((st.st_mode & S_IWGRP) != 0 && st.st_gid != 0) || AccessListLetsOthersWrite(st, accessList);
    bool everyoneMayWrite = (st.st_mode & S_IWOTH) != 0;
    info.othersMayAdd = groupMayWrite || everyoneMayWrite;
    info.othersMaySwap = groupMayWrite || (everyoneMayWrite && (st.st_mode & S_ISVTX) == 0);
  }
  info.names = st.st_nlink;
  info.identity = std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
  return info;
}

PosixFolder::~PosixFolder() {
  if (fd_ >= 0) ::close(fd_);
}

bool PosixFolder::Describe(std::string_view name, EntryInfo* info) {
  struct stat st {};
  if (::fstatat(fd_, Name(name).c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return FailWithErrno();
  std::string list;
  if (S_ISDIR(st.st_mode) && name == ".") {
    list = AccessListOf(fd_);
  } else if (S_ISDIR(st.st_mode)) {
    int dir = ::openat(fd_, Name(name).c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (dir >= 0) {
      list = AccessListOf(dir);
      ::close(dir);
    }
  }
  *info = InfoOf(st, list);
  // As this thread is now: AT_EACCESS asks with the identity it acts as, not the process's.
  if (info->type == EntryType::kDirectory && ::faccessat(fd_, Name(name).c_str(), W_OK | X_OK, AT_EACCESS) != 0)
    info->refusesChange = std::strerror(errno);
  if (info->type == EntryType::kFile) info->refusesChange = WhyNotReplaceable(name, st);
  return true;
}

std::string PosixFolder::WhyNotReplaceable(std::string_view name, const struct stat& st) {
  // A file mounted over its name (a bind mount, of the same file system too) cannot be renamed
  // over or removed.
  struct stat folder {};
  if (::fstat(fd_, &folder) == 0 && folder.st_dev != st.st_dev) return std::strerror(EBUSY);
#if defined(STATX_ATTR_MOUNT_ROOT)
  struct statx mount {};
  if (::statx(fd_, Name(name).c_str(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS, &mount) == 0 &&
      (mount.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) && (mount.stx_attributes & STATX_ATTR_MOUNT_ROOT))
    return std::strerror(EBUSY);
#endif
  int fd = ::openat(fd_, Name(name).c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return {};
  int flags = 0;
  bool fixed = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL)) != 0;
  ::close(fd);
  return fixed ? std::strerror(EPERM) : std::string();
}

bool PosixFolder::Read(std::string_view name, std::string* contents) {
  // O_NONBLOCK: a FIFO planted under the name must not hold the run up; it is refused below.
  int fd = ::openat(fd_, Name(name).c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | O_NOFOLLOW);
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

void PosixFolder::TakePermissions(int fd, std::string_view like) {
  // A file every user's program reads at start-up.
  if (like.empty()) {
    ::fchmod(fd, 0644);
    return;
  }
  // The entry of this folder itself, never what a link there leads to.
  struct stat st {};
  if (::fstatat(fd_, Name(like).c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) return;
  struct stat own {};
  if (::fstat(fd, &own) != 0) return;
  // The owner too where the run may (root over a user's file); a refusal leaves the defaults.
  if (own.st_uid != st.st_uid || own.st_gid != st.st_gid) {
    [[maybe_unused]] int ignored = ::fchown(fd, st.st_uid, st.st_gid);
  }
  ::fchmod(fd, st.st_mode & 07777);
}

std::unique_ptr<WritableFile> PosixFolder::CreateNew(std::string_view name, std::string_view like) {
  struct stat st {};
  if (::fstatat(fd_, Name(name).c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
    FailWith(std::strerror(EEXIST));
    return nullptr;
  }
#if defined(O_TMPFILE)
  int fd = ::openat(fd_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  int dirFd = fd >= 0 ? ::fcntl(fd_, F_DUPFD_CLOEXEC, 0) : -1;
  if (fd >= 0 && dirFd >= 0) {
    TakePermissions(fd, like);
    return std::make_unique<UnnamedNewFile>(fd, dirFd, Name(name));
  }
  if (fd >= 0) ::close(fd);  // a file system without unnamed files: a named one below
#endif
  int fd2 = ::openat(fd_, Name(name).c_str(), O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
  if (fd2 < 0) {
    FailWithErrno();
    return nullptr;
  }
  TakePermissions(fd2, like);
  return std::make_unique<FdWritableFile>(fd2, false);
}

bool PosixFolder::Remove(std::string_view name) {
  return ::unlinkat(fd_, Name(name).c_str(), 0) == 0 || FailWithErrno();
}

bool PosixFolder::Rename(std::string_view from, std::string_view to) {
  std::string src = Name(from), dst = Name(to);
  // link() refuses an existing destination, which makes the rename refuse it too.
  if (::linkat(fd_, src.c_str(), fd_, dst.c_str(), 0) == 0) {
    if (::unlinkat(fd_, src.c_str(), 0) == 0) return true;
    FailWithErrno();
    ::unlinkat(fd_, dst.c_str(), 0);
    return false;
  }
  if (errno == EEXIST) return FailWithErrno();
  struct stat st {};
  if (::fstatat(fd_, dst.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) return FailWith(std::strerror(EEXIST));
  return ::renameat(fd_, src.c_str(), fd_, dst.c_str()) == 0 || FailWithErrno();
}

bool PosixFolder::RenameOver(std::string_view from, std::string_view to) {
  if (::renameat(fd_, Name(from).c_str(), fd_, Name(to).c_str()) != 0) return FailWithErrno();
  ::fsync(fd_);
  return true;
}

FsStatus PosixFolder::HardLink(std::string_view existing, std::string_view link) {
  if (::linkat(fd_, Name(existing).c_str(), fd_, Name(link).c_str(), 0) == 0) return FsStatus::kOk;
  int error = errno;
  FailWithErrno();
  if (error == EPERM || error == ENOTSUP || error == EOPNOTSUPP || error == EXDEV || error == EMLINK)
    return FsStatus::kUnsupported;
  return FsStatus::kFailed;
}

FsStatus PosixFolder::Replace(std::string_view /*target*/, std::string_view /*replacement*/,
                              std::string_view /*backup*/) {
  return FsStatus::kUnsupported;
}

std::unique_ptr<FileLock> PosixFolder::Lock(LockKind kind, std::chrono::milliseconds timeout) {
  // The folder's own flock creates nothing, so a check takes it too.
  return kind == LockKind::kPrivate ? LockPrivately(timeout) : LockShared(timeout);
}

std::unique_ptr<FileLock> PosixFolder::LockShared(std::chrono::milliseconds timeout) {
  // The folder stays put while pathdef.m is renamed in it, so every run locks the same thing;
  // a fresh description of it, so that the lock goes with this descriptor alone.
  int fd = ::openat(fd_, ".", O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    FailWithErrno();
    return nullptr;
  }
  return FlockWithin(fd, timeout);
}

std::unique_ptr<FileLock> PosixFolder::LockPrivately(std::chrono::milliseconds timeout) {
  // Anyone who may read a folder may flock it, and so hold up an installer's run on a folder
  // only root may change. A run with rights locks a file of its own instead, named after the
  // folder's identity, in a folder only root may open; where there is none (no /run in a
  // chroot, or no rights to make it), the folder itself as any run does.
  struct stat folder {};
  if (::fstat(fd_, &folder) != 0) return LockShared(timeout);
  ::mkdir(kPrivateLockFolder, 0700);
  int runFd = ::open(kPrivateLockFolder, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  struct stat run {};
  if (runFd < 0 || ::fstat(runFd, &run) != 0 || run.st_uid != 0 || (run.st_mode & 077) != 0) {
    if (runFd >= 0) ::close(runFd);
    return LockShared(timeout);
  }
  std::string name = std::to_string(folder.st_dev) + "-" + std::to_string(folder.st_ino) + ".lock";
  auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    int fd = ::openat(runFd, name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0) {
      ::close(runFd);
      return LockShared(timeout);
    }
    if (!FlockOnly(fd, deadline, timeout)) {
      ::close(runFd);
      return nullptr;
    }
    if (!StillNamed(runFd, fd, name)) {
      ::close(fd);  // its holder removed it as it let go: take the new one
      continue;
    }
    // The folder's own lock too, as every other run and tool takes it, but waited for only a
    // little: held longer, it is somebody's who may not change the folder anyway.
    std::unique_ptr<FileLock> shared = LockShared(std::min(timeout, kFolderLockWait));
    return std::make_unique<PrivateLock>(runFd, fd, name, std::move(shared));
  }
}

}  // namespace vorex
