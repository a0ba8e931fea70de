#pragma once
// Everything the core asks of the disks: the fixed drives and their listings, what an entry is
// and who owns it, and folders opened once, through which one file's edit does every step.
//
// Nothing here blocks without a bound: files are opened without waiting (a FIFO or a device
// under a pathdef name is refused, not waited on) and a lock is given up after its timeout.
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

// An account as the platform names it: `id` means something to the platform only (the identity
// interface acts as it); `name` is for the log.
struct Account {
  std::string id;
  std::string name;
};

enum class EntryType { kFile, kDirectory, kLink, kOther };

// One entry as it stands (a link is described, not followed).
struct EntryInfo {
  EntryType type = EntryType::kFile;
  Account owner;
  // A folder in which somebody besides its owner and the administrators may make entries: a
  // group's write bit (not the administrators' group), everyone's, or an access list granting it.
  bool othersMayAdd = false;
  // ... and may also remove or swap entries that are not theirs (no sticky bit).
  bool othersMaySwap = false;
  // Folder::Describe: a folder this thread, as it is now, may not make entries in, or a file
  // that cannot be replaced or removed (immutable, a mount point): why ("Permission denied",
  // "Read-only file system", "Operation not permitted"); empty otherwise.
  std::string refusesChange;
  // How many names the file has (hard links).
  unsigned long long names = 1;
  // Two entries with the same identity are one file.
  std::string identity;
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
  // Flushes the file to disk and closes it; false when either fails.
  virtual bool Close() = 0;
  // What the open file is (the log looks before it writes). False where it cannot tell.
  virtual bool Describe(EntryInfo* /*info*/) { return false; }
  // Empties the open file; one opened private becomes readable by its owner only.
  virtual bool Empty() { return false; }
};

enum class LockKind {
  // The lock every run and tool takes on the folder.
  kShared,
  // For a folder only the administrators or this run may change: a lock that nobody else can
  // take, so that a user who may merely read the folder cannot hold the run up; the folder's
  // own lock is still taken, but waited for a little only.
  kPrivate,
  // Only to look (a check): whatever keeps a reader from a half-done edit without creating
  // anything anywhere; POSIX the folder's own lock, Windows none (its replacement is one rename).
  kLook,
};

// A folder, opened once. Every call names an entry directly inside it, so nothing done to the
// folders above it once it is open changes which files the calls reach.
class Folder {
 public:
  virtual ~Folder() = default;
  // The path it was opened by: for messages, and for following a link out of it.
  virtual const std::string& Path() const = 0;
  // Describes the entry; false when there is none.
  virtual bool Describe(std::string_view name, EntryInfo* info) = 0;
  // Reads a regular file whole; anything else (a FIFO, a device, a folder, a link) is refused.
  virtual bool Read(std::string_view name, std::string* contents) = 0;
  // Creates a new regular file; fails when any entry of that name exists. It gets the
  // permissions (and, where the run may, the owner) of the entry `like`, or is readable by
  // everyone when `like` is empty. Null on failure.
  virtual std::unique_ptr<WritableFile> CreateNew(std::string_view name, std::string_view like) = 0;
  virtual bool Remove(std::string_view name) = 0;
  // Fails, changing nothing, when `to` exists.
  virtual bool Rename(std::string_view from, std::string_view to) = 0;
  // Atomically puts `from` in the place of `to`, which may exist.
  virtual bool RenameOver(std::string_view from, std::string_view to) = 0;
  // Gives `existing` a second name; kUnsupported where hard links cannot be made.
  virtual FsStatus HardLink(std::string_view existing, std::string_view link) = 0;
  // Puts `replacement` in the place of `target` and keeps the old `target` as `backup` in one
  // platform step. kFailed leaves `target` with its old text; kUnsupported changes nothing.
  virtual FsStatus Replace(std::string_view target, std::string_view replacement, std::string_view backup) = 0;
  // Excludes every other run (of this process or another) from editing files in this folder
  // until the lock is destroyed. Waits at most `timeout`; null when it cannot be had.
  virtual std::unique_ptr<FileLock> Lock(LockKind kind, std::chrono::milliseconds timeout) = 0;
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
  // Describes the entry at `path` without following a link there; false when there is none.
  virtual bool Describe(const std::string& path, EntryInfo* info) = 0;
  // The entry as it really is, every link on the way and at its end resolved. False when it
  // leads nowhere.
  virtual bool RealPath(const std::string& path, std::string* real) = 0;
  // Opens the folder. `pinned`: from the root down, refusing a link at every step, so that
  // nobody who may change a folder on the way can lead the calls elsewhere; otherwise as the
  // path leads. Null when it cannot be opened.
  virtual std::unique_ptr<Folder> OpenFolder(const std::string& dir, bool pinned) = 0;
  // Opens the log: created when missing (readable by its owner only when `isPrivate`), never
  // through a link, without emptying it; the caller looks at it (Describe) before it writes.
  // `append`: every write goes to its end.
  virtual std::unique_ptr<WritableFile> OpenLog(const std::string& path, bool isPrivate, bool append) = 0;
  // Why this thread's last failed call failed ("Permission denied", "not a regular file").
  virtual std::string LastError() = 0;
};

// True when an entry of that name exists, of any kind (a dangling link too).
bool Exists(FileSystem& fs, const std::string& path);

// What the file at `path` is, links followed: two paths with the same identity are one file.
// False when there is no such file.
bool FileIdentity(FileSystem& fs, const std::string& path, std::string* id);

}  // namespace vorex
