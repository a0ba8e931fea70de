#pragma once
// Everything the core asks of the disks: the fixed drives, directory listings, whole-file reads,
// checked writes and the few steps that replace a file while keeping a backup.
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

class WritableFile {
 public:
  virtual ~WritableFile() = default;
  // False when not every byte was written.
  virtual bool Write(std::string_view data) = 0;
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
  virtual bool Exists(const std::string& path) = 0;
  virtual bool ReadFile(const std::string& path, std::string* contents) = 0;
  // Creates the file or empties it; never follows a symbolic link at the path. Null on failure.
  virtual std::unique_ptr<WritableFile> CreateForWrite(const std::string& path) = 0;
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
  // Gives `to` the permission bits or attributes of `from`, as far as the platform can.
  virtual void CopyPermissions(const std::string& from, const std::string& to) = 0;
};

}  // namespace vorex
