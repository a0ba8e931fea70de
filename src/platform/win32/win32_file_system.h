#pragma once
#include "platform/file_system.h"

namespace vorex {

// The real Windows disks: drive letters, FindFirstFileEx on full paths, ReplaceFile.
class Win32FileSystem : public FileSystem {
 public:
  std::vector<std::string> FixedDriveRoots() override;
  bool ListDirectory(const std::string& dir, const std::function<bool(const DirEntry&)>& visit) override;
  bool Exists(const std::string& path) override;
  bool ReadFile(const std::string& path, std::string* contents) override;
  std::unique_ptr<WritableFile> CreateForWrite(const std::string& path) override;
  std::unique_ptr<WritableFile> CreateNew(const std::string& path) override;
  bool ResolveLink(const std::string& path, std::string* target) override;
  std::unique_ptr<FileLock> LockForEdit(const std::string& path, std::chrono::milliseconds timeout) override;
  bool Remove(const std::string& path) override;
  bool Rename(const std::string& from, const std::string& to) override;
  FsStatus HardLink(const std::string& existing, const std::string& link) override;
  bool RenameOver(const std::string& from, const std::string& to) override;
  FsStatus ReplaceFile(const std::string& target, const std::string& replacement, const std::string& backup) override;
  void CopyPermissions(const std::string& from, const std::string& to) override;
  bool FileIdentity(const std::string& path, std::string* id) override;
  bool RunsWithRights() override;
  bool InspectEntry(const std::string& path, EntryOwner* owner) override;
  // Windows has no per-thread identity for this: kUnsupported, and the core refuses links in
  // another user's place instead.
  FsStatus ActAs(const EntryOwner& owner, std::unique_ptr<ActingIdentity>* guard) override;
  // Checks that no folder on the way is a reparse point; the folder is not held open.
  std::unique_ptr<FolderPin> PinFolder(const std::string& dir) override;
  std::unique_ptr<WritableFile> CreateLog(const std::string& path, bool guarded) override;
  std::string LastError() override;
};

}  // namespace vorex
