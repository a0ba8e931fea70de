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
  bool Exists(const std::string& path) override;
  bool ReadFile(const std::string& path, std::string* contents) override;
  std::unique_ptr<WritableFile> CreateForWrite(const std::string& path) override;
  std::unique_ptr<WritableFile> CreateNew(const std::string& path) override;
  bool ResolveLink(const std::string& path, std::string* target) override;
  std::unique_ptr<FileLock> LockForEdit(const std::string& path, std::chrono::milliseconds timeout) override;
  std::unique_ptr<FileLock> LockPrivately(const std::string& path, std::chrono::milliseconds timeout) override;
  bool Remove(const std::string& path) override;
  bool Rename(const std::string& from, const std::string& to) override;
  FsStatus HardLink(const std::string& existing, const std::string& link) override;
  bool RenameOver(const std::string& from, const std::string& to) override;
  FsStatus ReplaceFile(const std::string& target, const std::string& replacement, const std::string& backup) override;
  void CopyPermissions(const std::string& from, const std::string& to) override;
  bool FileIdentity(const std::string& path, std::string* id) override;
  void MakeReadableByAll(const std::string& path) override;
  bool RealFolder(const std::string& dir, std::string* real) override;
  bool RunsWithRights() override;
  bool InspectEntry(const std::string& path, EntryOwner* owner) override;
  FsStatus ActAs(const EntryOwner& owner, std::unique_ptr<ActingIdentity>* guard) override;
  std::unique_ptr<FolderPin> PinFolder(const std::string& dir) override;
  std::unique_ptr<WritableFile> CreateLog(const std::string& path, bool guarded) override;
  std::string LastError() override;

 private:
  std::vector<std::string> roots_;
  std::unordered_set<std::string> mountPoints_;
  ReadAhead readAhead_;
};

}  // namespace vorex
