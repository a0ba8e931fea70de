#pragma once
// Everything the core asks of the disks: the fixed drives, directory listings, whole-file reads,
// checked writes, the lock that keeps two runs from editing one file together, and the few steps
// that replace a file while keeping a backup.
//
// Nothing here blocks without a bound: files are opened without waiting (a FIFO or a device
// under a pathdef name is refused, not waited on) and the lock is given up after its timeout.
// When a call fails, LastError() tells why in the platform's words, for the log.
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vorex {

struct DirEntry {
  std::string_view name;
  bool isDirectory = false;
  // A symbolic link, junction or mount point: looked into, never walked through.
  bool isLink = false;
  // The root of another mounted file system: listed, not walked.
  bool isMountPoint = false;
};

enum class FsStatus { kOk, kFailed, kUnsupported };

// Who owns one entry and who else may change it, as the entry itself shows it (a link is
// described, not followed).
struct EntryOwner {
  bool isDirectory = false;
  bool isLink = false;
  // Root, an administrator, the system, or the account this run is: nobody a run acts for.
  bool privileged = true;
  // A directory whose entries someone besides its owner and the administrators may add,
  // remove or swap: a group's write bit (not root's group), or everyone's without the sticky bit.
  bool writableByOthers = false;
  // The owner: the platform's numbers (POSIX uid and gid) and a name for the log.
  unsigned long long userId = 0;
  unsigned long long groupId = 0;
  std::string userName;
};

// While alive, this thread reaches files with another user's rights; the run's own come back
// when it is destroyed.
class ActingIdentity {
 public:
  virtual ~ActingIdentity() = default;
};

// While alive, every call on an entry directly inside one folder (and the lock of that folder)
// goes through the folder as it was opened, from the root, without following any link.
class FolderPin {
 public:
  virtual ~FolderPin() = default;
};

// Held while one file is read, edited and replaced; released when destroyed.
class FileLock {
 public:
  virtual ~FileLock() = default;
};

class WritableFile {
 public:
  virtual ~WritableFile() = default;
  // False when not every byte was written.
  virtual bool Write(std::string_view data) = 0;
  // Gives the file the permission bits (and, where the run may, the owner) of the file at
  // `from`, through the open file itself, before it is closed; nothing where the platform
  // cannot (CopyPermissions does it by name afterwards).
  virtual void TakePermissionsOf(const std::string& /*from*/) {}
  // Flushes the file to disk and closes it; false when either fails.
  virtual bool Close() = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Roots of the fixed drives in ascending order ("C:\" before "D:\", "/" before "/home").
  virtual std::vector<std::string> FixedDriveRoots() = 0;
  // Calls visit for every entry but "." and ".."; stops when visit returns false.
  // False when the directory cannot be listed.
  virtual bool ListDirectory(const std::string& dir, const std::function<bool(const DirEntry&)>& visit) = 0;
  // A walk's hint: `root`'s tree is walked now, depth first, each directory's sub-directories
  // (never links or other mounts) in the order ListDirectory reports them. A platform may list
  // ahead in parallel; what ListDirectory reports is the same either way.
  virtual void WillWalk(const std::string& /*root*/) {}
  // The walk is over (or cancelled): forget the hint and stop reading ahead.
  virtual void StopReadAhead() {}
  // True when an entry of that name exists, of any kind (a dangling link too).
  virtual bool Exists(const std::string& path) = 0;
  // Reads a regular file whole; anything else (a FIFO, a device, a directory) is refused.
  virtual bool ReadFile(const std::string& path, std::string* contents) = 0;
  // Creates the file or empties it; never follows a symbolic link at the path and refuses
  // anything but a regular file. Null on failure.
  virtual std::unique_ptr<WritableFile> CreateForWrite(const std::string& path) = 0;
  // Creates a new regular file; fails when any entry of that name exists. Null on failure.
  virtual std::unique_ptr<WritableFile> CreateNew(const std::string& path) = 0;
  // The file that an edit of `path` must replace: `path` itself, or the final target when it is
  // a symbolic link. False when the link leads nowhere.
  virtual bool ResolveLink(const std::string& path, std::string* target) = 0;
  // Excludes every other run (of this process or another) from editing the file at `path`
  // until the lock is destroyed. Waits at most `timeout`; null when the lock cannot be had.
  virtual std::unique_ptr<FileLock> LockForEdit(const std::string& path, std::chrono::milliseconds timeout) = 0;
  // The same exclusion, for a file in a place that only root or this run may change, by a lock
  // that nobody else can take (so that a user who may only read the folder cannot hold the run
  // up). Runs with rights use it for such places; LockForEdit where the platform has no such lock.
  virtual std::unique_ptr<FileLock> LockPrivately(const std::string& path, std::chrono::milliseconds timeout) {
    return LockForEdit(path, timeout);
  }
  virtual bool Remove(const std::string& path) = 0;
  // Fails, changing nothing, when `to` exists.
  virtual bool Rename(const std::string& from, const std::string& to) = 0;
  // Gives `existing` a second name; kUnsupported where hard links cannot be made.
  virtual FsStatus HardLink(const std::string& existing, const std::string& link) = 0;
  // Atomically puts `from` in the place of `to`, which may exist.
  virtual bool RenameOver(const std::string& from, const std::string& to) = 0;
  // Puts `replacement` in the place of `target` and keeps the old `target` as `backup` in one
  // platform step. kFailed leaves `target` with its old text; kUnsupported changes nothing.
  virtual FsStatus ReplaceFile(const std::string& target, const std::string& replacement,
                               const std::string& backup) = 0;
  // Lets every user read the file (a new file that every user's program reads at start-up).
  virtual void MakeReadableByAll(const std::string& /*path*/) {}
  // Gives `to` the permission bits or attributes of `from`, as far as the platform can.
  virtual void CopyPermissions(const std::string& from, const std::string& to) = 0;
  // The folder `dir` really is, every link on the way resolved; `dir` itself where the platform
  // cannot tell. False when there is no such folder.
  virtual bool RealFolder(const std::string& dir, std::string* real) {
    *real = dir;
    return true;
  }
  // What the file at `path` is, links followed: two paths with the same identity are one file.
  // False when there is no such file.
  virtual bool FileIdentity(const std::string& path, std::string* id) {
    *id = path;
    return Exists(path);
  }
  // True when the run may change files that their owners keep from others (POSIX: effective
  // uid 0; Windows: an elevated token or the system account).
  virtual bool RunsWithRights() { return false; }
  // Describes the entry at `path` without following a link there. False when there is none.
  virtual bool InspectEntry(const std::string& path, EntryOwner* owner) = 0;
  // Switches this thread to `owner`'s rights until the result is destroyed. kUnsupported where
  // the platform has no per-thread identity; kFailed (null guard) when the switch was refused.
  virtual FsStatus ActAs(const EntryOwner& owner, std::unique_ptr<ActingIdentity>* guard) = 0;
  // Opens `dir` component by component from the root, refusing any link on the way, and pins
  // it for this thread until the result is destroyed. Null, with LastError, when it cannot.
  virtual std::unique_ptr<FolderPin> PinFolder(const std::string& dir) = 0;
  // Opens the log file: created or emptied; never through a link. `guarded` (a run with
  // rights): created readable by its owner only, and an existing file with a second name, or
  // another user's in a folder that others may write, is refused with the reason.
  virtual std::unique_ptr<WritableFile> CreateLog(const std::string& path, bool /*guarded*/) {
    return CreateForWrite(path);
  }
  // Why this thread's last failed call failed ("Permission denied", "not a regular file").
  virtual std::string LastError() = 0;
};

}  // namespace vorex
