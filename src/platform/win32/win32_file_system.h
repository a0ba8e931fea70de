#pragma once
#include "platform/file_system.h"
#include "platform/identity.h"

namespace vorex {

// The real Windows disks: drive letters, FindFirstFileEx on full paths, folders held open.
class Win32FileSystem : public FileSystem {
 public:
  std::vector<std::string> FixedDriveRoots() override;
  bool ListDirectory(const std::string& dir, const std::function<bool(const DirEntry&)>& visit) override;
  bool Describe(const std::string& path, EntryInfo* info) override;
  bool RealPath(const std::string& path, std::string* real) override;
  // Held open without letting anyone delete or rename it; pinned, no folder on the way may be
  // a reparse point.
  std::unique_ptr<Folder> OpenFolder(const std::string& dir, bool pinned) override;
  std::unique_ptr<WritableFile> OpenLog(const std::string& path, bool isPrivate, bool append) override;
  std::string LastError() override;
};

// Who the run is on Windows: elevated or the system account has rights; the administrators, the
// system, the installer service and the runner are trusted. There is no per-thread identity for
// file access here (ActAs is kUnsupported), so the core refuses links in another user's place.
class Win32Identity : public Identity {
 public:
  bool RunsWithRights() override;
  bool IsTrusted(const Account& account) override;
  FsStatus ActAs(const Account& account, std::unique_ptr<ActingIdentity>* guard) override;
};

}  // namespace vorex
