#include "platform/win32/win32_file_system.h"

#include <algorithm>
#include <thread>

#include "base/paths.h"
#include "platform/last_error.h"
#include "platform/win32/windows_api.h"

#include <aclapi.h>
#include <sddl.h>

namespace vorex {

namespace {

bool FailWithLastError(DWORD code = GetLastError()) {
  char buf[512] = {};
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buf,
                           sizeof buf, nullptr);
  std::string text(buf, n);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == '.' || text.back() == ' '))
    text.pop_back();
  return FailWith(text.empty() ? "error " + std::to_string(code) : text);
}

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
      if (!::WriteFile(handle_, data.data(), chunk, &written, nullptr)) return FailWithLastError();
      if (written == 0) return FailWith("nothing written");
      data.remove_prefix(written);
    }
    return true;
  }
  bool Close() override {
    if (handle_ == INVALID_HANDLE_VALUE) return FailWith("already closed");
    bool ok = FlushFileBuffers(handle_) != 0 || FailWithLastError();
    if (!CloseHandle(handle_) && ok) ok = FailWithLastError();
    handle_ = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE handle_;
};

class LockFileHandle : public FileLock {
 public:
  explicit LockFileHandle(HANDLE h) : handle_(h) {}
  ~LockFileHandle() override { CloseHandle(handle_); }  // the file goes with its last handle

 private:
  HANDLE handle_;
};

// Only a file on a disk is read or written: never a device or a pipe opened under the name.
HANDLE CheckDiskFile(HANDLE h) {
  if (h == INVALID_HANDLE_VALUE) {
    FailWithLastError();
    return h;
  }
  if (GetFileType(h) != FILE_TYPE_DISK) {
    CloseHandle(h);
    FailWith("not a regular file");
    return INVALID_HANDLE_VALUE;
  }
  return h;
}

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
  HANDLE h =
      CheckDiskFile(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (h == INVALID_HANDLE_VALUE) return false;
  if (GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY) {
    CloseHandle(h);
    return FailWith("not a regular file");
  }
  contents->clear();
  char buf[65536];
  bool ok = true;
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(h, buf, sizeof buf, &got, nullptr)) {
      ok = FailWithLastError();
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
  HANDLE h = CheckDiskFile(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<HandleWritableFile>(h);
}

std::unique_ptr<WritableFile> Win32FileSystem::CreateNew(const std::string& path) {
  HANDLE h = CheckDiskFile(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<HandleWritableFile>(h);
}

bool Win32FileSystem::ResolveLink(const std::string& path, std::string* target) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return FailWithLastError();
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    *target = path;
    return true;
  }
  HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return FailWith("the link leads nowhere");
    return FailWithLastError(code);
  }
  char buf[MAX_PATH * 4] = {};
  DWORD n = GetFinalPathNameByHandleA(h, buf, sizeof buf, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  DWORD code = GetLastError();
  CloseHandle(h);
  if (n == 0 || n >= sizeof buf) return FailWithLastError(code);
  std::string resolved(buf, n);
  if (resolved.rfind("\\\\?\\UNC\\", 0) == 0) {
    resolved = "\\\\" + resolved.substr(8);
  } else if (resolved.rfind("\\\\?\\", 0) == 0) {
    resolved = resolved.substr(4);
  }
  *target = resolved;
  return true;
}

std::unique_ptr<FileLock> Win32FileSystem::LockForEdit(const std::string& path, std::chrono::milliseconds timeout) {
  // A lock file beside the file, opened without sharing: a second run cannot open it until the
  // first closes it, and the system deletes it with its last handle, even after a crash.
  std::string lockPath = JoinPath(ParentOf(path, PathRules::Windows()), "pathdef.lock", PathRules::Windows());
  auto start = std::chrono::steady_clock::now();
  auto pause = std::chrono::milliseconds(1);
  for (;;) {
    HANDLE h = CreateFileA(lockPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h != INVALID_HANDLE_VALUE) return std::make_unique<LockFileHandle>(h);
    DWORD code = GetLastError();
    auto waited = std::chrono::steady_clock::now() - start;
    // Access is also denied for a moment while the last holder's file is being deleted.
    bool busy = code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION ||
                (code == ERROR_ACCESS_DENIED && waited < std::chrono::seconds(1));
    if (!busy) {
      FailWithLastError(code);
      return nullptr;
    }
    if (waited >= timeout) {
      FailWith("another run held it for more than " + std::to_string(timeout.count()) + " ms");
      return nullptr;
    }
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::milliseconds(50));
  }
}

bool Win32FileSystem::Remove(const std::string& path) {
  if (DeleteFileA(path.c_str())) return true;
  DWORD code = GetLastError();
  // As with unlink on POSIX, the read-only attribute does not keep a file from being removed:
  // the backup of a read-only pathdef.m is read-only too, and each later edit removes it.
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY)) return FailWithLastError(code);
  if (!SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) return FailWithLastError();
  if (DeleteFileA(path.c_str())) return true;
  code = GetLastError();
  SetFileAttributesA(path.c_str(), attributes);  // still there: as it was
  return FailWithLastError(code);
}

bool Win32FileSystem::Rename(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) != 0 || FailWithLastError();
}

FsStatus Win32FileSystem::HardLink(const std::string& existing, const std::string& link) {
  // With the backup as a second name, the new file takes pathdef.m's place in one rename and
  // there is no moment without pathdef.m (ReplaceFile has one).
  if (CreateHardLinkA(link.c_str(), existing.c_str(), nullptr)) return FsStatus::kOk;
  DWORD code = GetLastError();
  FailWithLastError(code);
  // An existing backup is a failure; a volume or a share without hard links is not.
  return code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS ? FsStatus::kFailed : FsStatus::kUnsupported;
}

bool Win32FileSystem::RenameOver(const std::string& from, const std::string& to) {
  // A file that someone has open (MATLAB reading it, an indexer, another run looking at it)
  // cannot be replaced for that moment: it is tried again for a few seconds.
  auto pause = std::chrono::milliseconds(5);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  for (;;) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    DWORD code = GetLastError();
    if ((code != ERROR_ACCESS_DENIED && code != ERROR_SHARING_VIOLATION) ||
        std::chrono::steady_clock::now() >= deadline)
      return FailWithLastError(code);
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::milliseconds(100));
  }
}

FsStatus Win32FileSystem::ReplaceFile(const std::string& target, const std::string& replacement,
                                      const std::string& backup) {
  if (ReplaceFileA(target.c_str(), replacement.c_str(), backup.c_str(), REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                   nullptr))
    return FsStatus::kOk;
  DWORD code = GetLastError();
  FailWithLastError(code);
  switch (code) {
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

namespace {

// The token's user; empty when it cannot be read.
std::vector<BYTE> TokenUser() {
  std::vector<BYTE> user;
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return user;
  DWORD size = 0;
  GetTokenInformation(token, ::TokenUser, nullptr, 0, &size);
  if (size > 0) {
    user.resize(size);
    if (!GetTokenInformation(token, ::TokenUser, user.data(), size, &size)) user.clear();
  }
  CloseHandle(token);
  return user;
}

// Administrators, the system and the installer service own what only administrators change.
bool IsAdministrativeOwner(PSID owner) {
  if (IsWellKnownSid(owner, WinBuiltinAdministratorsSid) || IsWellKnownSid(owner, WinLocalSystemSid)) return true;
  char* text = nullptr;
  if (!ConvertSidToStringSidA(owner, &text)) return false;
  bool installer = std::string(text) == "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
  LocalFree(text);
  return installer;
}

std::string AccountName(PSID sid) {
  char name[256], domain[256];
  DWORD nameSize = sizeof name, domainSize = sizeof domain;
  SID_NAME_USE use;
  if (LookupAccountSidA(nullptr, sid, name, &nameSize, domain, &domainSize, &use))
    return domainSize > 0 ? std::string(domain) + "\\" + name : std::string(name);
  char* text = nullptr;
  if (!ConvertSidToStringSidA(sid, &text)) return "an unknown account";
  std::string result = text;
  LocalFree(text);
  return result;
}

class NoPin : public FolderPin {};

}  // namespace

bool Win32FileSystem::FileIdentity(const std::string& path, std::string* id) {
  HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return FailWithLastError();
  BY_HANDLE_FILE_INFORMATION info{};
  bool ok = GetFileInformationByHandle(h, &info) != 0;
  CloseHandle(h);
  if (!ok) return FailWithLastError();
  *id = std::to_string(info.dwVolumeSerialNumber) + ":" + std::to_string(info.nFileIndexHigh) + ":" +
        std::to_string(info.nFileIndexLow);
  return true;
}

bool Win32FileSystem::RunsWithRights() {
  static const bool elevated = [] {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    bool result = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
                  elevation.TokenIsElevated != 0;
    CloseHandle(token);
    std::vector<BYTE> user = TokenUser();
    if (!user.empty() && IsWellKnownSid(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, WinLocalSystemSid))
      result = true;
    return result;
  }();
  return elevated;
}

bool Win32FileSystem::InspectEntry(const std::string& path, EntryOwner* owner) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return FailWithLastError();
  *owner = EntryOwner{};
  owner->isDirectory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  owner->isLink = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  // Only a folder's owner counts; a file is never held open here, so that a run replacing it
  // meanwhile is not kept from doing so.
  if (!owner->isDirectory) return true;
  // The entry itself, not what a reparse point leads to.
  HANDLE h = CreateFileA(path.c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) return true;  // no owner to be had: taken as the system's
  PSID sid = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(h, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &sid, nullptr, nullptr, nullptr, &descriptor) ==
          ERROR_SUCCESS &&
      sid) {
    std::vector<BYTE> user = TokenUser();
    bool self = !user.empty() && EqualSid(sid, reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid);
    owner->privileged = self || IsAdministrativeOwner(sid);
    owner->userName = AccountName(sid);
  }
  if (descriptor) LocalFree(descriptor);
  CloseHandle(h);
  return true;
}

FsStatus Win32FileSystem::ActAs(const EntryOwner&, std::unique_ptr<ActingIdentity>* guard) {
  guard->reset();
  return FsStatus::kUnsupported;
}

std::unique_ptr<FolderPin> Win32FileSystem::PinFolder(const std::string& dir) {
  for (const std::string& folder : FoldersOf(JoinPath(dir, "x", PathRules::Windows()), PathRules::Windows())) {
    DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      FailWithLastError();
      return nullptr;
    }
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      FailWith(folder + ": a link on the way is not followed");
      return nullptr;
    }
  }
  return std::make_unique<NoPin>();
}

std::unique_ptr<WritableFile> Win32FileSystem::CreateLog(const std::string& path, bool guarded) {
  if (!guarded) return CreateForWrite(path);
  // Opened as it stands, looked at, and only then emptied: never a second name of another file.
  HANDLE h = CheckDiskFile(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileInformationByHandle(h, &info) && info.nNumberOfLinks > 1) {
    CloseHandle(h);
    FailWith("it has more than one name (a hard link)");
    return nullptr;
  }
  if (!SetEndOfFile(h)) {
    FailWithLastError();
    CloseHandle(h);
    return nullptr;
  }
  return std::make_unique<HandleWritableFile>(h);
}

std::string Win32FileSystem::LastError() {
  return LastFailure();
}

}  // namespace vorex
