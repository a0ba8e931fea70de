#pragma once
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/file_system.h"
#include "platform/posix/directory_reader.h"

namespace vorex {

// The real disks on POSIX. The "fixed drives" are "/" and the mount points of local disk file
// systems; each is walked without crossing into another mount.
class PosixFileSystem : public FileSystem {
 public:
  PosixFileSystem();
  // For tests: these roots stand for the fixed drives and no mount point is known.
  explicit PosixFileSystem(std::vector<std::string> roots);

  std::vector<std::string> FixedDriveRoots() override;
  bool ListDirectory(const std::string& dir, const std::function<bool(const DirEntry&)>& visit) override;
  void WillWalk(const std::string& root) override;
  void StopReadAhead() override;
  bool Describe(const std::string& path, EntryInfo* info) override;
  bool RealPath(const std::string& path, std::string* real) override;
  std::unique_ptr<Folder> OpenFolder(const std::string& dir, bool pinned) override;
  std::unique_ptr<WritableFile> OpenLog(const std::string& path, bool isPrivate, bool append) override;
  std::string LastError() override;

 private:
  std::vector<std::string> roots_;
  std::unordered_set<std::string> mountPoints_;
  ReadAhead readAhead_;
};

}  // namespace vorex
