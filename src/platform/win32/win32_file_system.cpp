#include "platform/win32/win32_file_system.h"

#include "platform/win32/windows_api.h"

namespace vorex {

namespace {

class HandleWritableFile : public WritableFile {
 public:
  explicit HandleWritableFile(HANDLE h) : handle_(h) {}
  ~HandleWritableFile() override {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  bool Write(std::string_view data) override {
    while (!data.empty()) {
      DWORD chunk = data.size() > 0x100000 ? 0x100000 : static_cast<DWORD>(data.size());
      DWORD written = 0;
      if (!::WriteFile(handle_, data.data(), chunk, &written, nullptr) || written == 0) return false;
      data.remove_prefix(written);
    }
    return true;
  }
  bool Close() override {
    if (handle_ == INVALID_HANDLE_VALUE) return false;
    bool ok = FlushFileBuffers(handle_) != 0;
    ok = CloseHandle(handle_) != 0 && ok;
    handle_ = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE handle_;
};

}  // namespace

std::vector<std::string> Win32FileSystem::FixedDriveRoots() {
  std::vector<std::string> roots;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    std::string root = "C:\\";
    root[0] = letter;
    if (GetDriveTypeA(root.c_str()) == DRIVE_FIXED) roots.push_back(root);
  }
  return roots;
}

bool Win32FileSystem::ListDirectory(const std::string& dir, const std::function<bool(const DirEntry&)>& visit) {
  std::string pattern = dir;
  if (pattern.empty() || (pattern.back() != '\\' && pattern.back() != '/')) pattern += '\\';
  pattern += '*';
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileExA(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                 FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) return false;
  do {
    std::string_view name = data.cFileName;
    if (name == "." || name == "..") continue;
    DirEntry entry;
    entry.name = name;
    entry.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    // Junctions, mount points and directory links can lead back into their own ancestry.
    entry.isLink = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (!visit(entry)) break;
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return true;
}

bool Win32FileSystem::Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Win32FileSystem::ReadFile(const std::string& path, std::string* contents) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  contents->clear();
  char buf[65536];
  bool ok = true;
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(h, buf, sizeof buf, &got, nullptr)) {
      ok = false;
      break;
    }
    if (got == 0) break;
    contents->append(buf, got);
  }
  CloseHandle(h);
  return ok;
}

std::unique_ptr<WritableFile> Win32FileSystem::CreateForWrite(const std::string& path) {
  // Others may read and write it meanwhile (the log is read while the run goes on).
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<HandleWritableFile>(h);
}

bool Win32FileSystem::Remove(const std::string& path) {
  if (DeleteFileA(path.c_str())) return true;
  // As with unlink on POSIX, the read-only attribute does not keep a file from being removed:
  // the backup of a read-only pathdef.m is read-only too, and each later edit removes it.
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY)) return false;
  if (!SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) return false;
  if (DeleteFileA(path.c_str())) return true;
  SetFileAttributesA(path.c_str(), attributes);  // still there: as it was
  return false;
}

bool Win32FileSystem::Rename(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
}

FsStatus Win32FileSystem::HardLink(const std::string&, const std::string&) {
  return FsStatus::kUnsupported;
}

bool Win32FileSystem::RenameOver(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

FsStatus Win32FileSystem::ReplaceFile(const std::string& target, const std::string& replacement,
                                      const std::string& backup) {
  if (ReplaceFileA(target.c_str(), replacement.c_str(), backup.c_str(), REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                   nullptr))
    return FsStatus::kOk;
  switch (GetLastError()) {
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT_2:
      // The old file already carries the backup name: give it its own name back.
      MoveFileExA(backup.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH);
      return FsStatus::kFailed;
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT:
      return FsStatus::kFailed;  // both files kept their names
    default:
      return FsStatus::kUnsupported;  // nothing changed; the three renames are tried instead
  }
}

void Win32FileSystem::CopyPermissions(const std::string& from, const std::string& to) {
  DWORD attributes = GetFileAttributesA(from.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  // Read-only is left out: the new file must still be renamed into place.
  DWORD keep =
      FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  if (attributes & keep) SetFileAttributesA(to.c_str(), attributes & keep);
}

}  // namespace vorex
