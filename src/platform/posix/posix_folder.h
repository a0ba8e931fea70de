#pragma once
// A folder held open by its descriptor: every call names an entry directly inside it (openat
// and its kind), so a rename or swap of any folder above it changes nothing about which files
// the calls reach.
#include <string>

#include "platform/file_system.h"

struct stat;

namespace vorex {

class PosixFolder : public Folder {
 public:
  // Takes over `fd`, a descriptor of the folder opened by `path`.
  PosixFolder(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~PosixFolder() override;
  PosixFolder(const PosixFolder&) = delete;
  PosixFolder& operator=(const PosixFolder&) = delete;

  const std::string& Path() const override { return path_; }
  bool Describe(std::string_view name, EntryInfo* info) override;
  bool Read(std::string_view name, std::string* contents) override;
  std::unique_ptr<WritableFile> CreateNew(std::string_view name, std::string_view like) override;
  bool Remove(std::string_view name) override;
  bool Rename(std::string_view from, std::string_view to) override;
  bool RenameOver(std::string_view from, std::string_view to) override;
  FsStatus HardLink(std::string_view existing, std::string_view link) override;
  FsStatus Replace(std::string_view target, std::string_view replacement, std::string_view backup) override;
  std::unique_ptr<FileLock> Lock(LockKind kind, std::chrono::milliseconds timeout) override;

 private:
  std::unique_ptr<FileLock> LockShared(std::chrono::milliseconds timeout);
  std::unique_ptr<FileLock> LockPrivately(std::chrono::milliseconds timeout);
  void TakePermissions(int fd, std::string_view like);
  // Why a file of the folder cannot be replaced or removed (immutable, a mount point); empty
  // when nothing keeps it.
  std::string WhyNotReplaceable(std::string_view name, const struct stat& st);

  int fd_;
  std::string path_;
};

// What the platform tells of an entry, from its stat and, for a folder, its access list (the
// value of its system.posix_acl_access attribute; empty when it has none).
EntryInfo InfoOf(const struct stat& st, std::string_view accessList = {});
// The access list of the folder open as fd, or of the one at path; empty when none.
std::string AccessListOf(int fd);
std::string AccessListAt(const std::string& path);
// Records errno's reason as this thread's last failure and returns false.
bool FailWithErrno();
// The log, open as fd: Empty() truncates it and, when private, leaves it readable by its owner only.
std::unique_ptr<WritableFile> MakeLogFile(int fd, bool isPrivate);
// Writes every byte to fd; false, with the reason, when it cannot.
bool WriteAll(int fd, std::string_view data);

}  // namespace vorex
