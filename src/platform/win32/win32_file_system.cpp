#include "platform/win32/win32_file_system.h"

#include <algorithm>
#include <set>
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
  bool Describe(EntryInfo* info) override;
  bool Empty() override {
    LARGE_INTEGER start{};
    return (SetFilePointerEx(handle_, start, nullptr, FILE_BEGIN) && SetEndOfFile(handle_)) || FailWithLastError();
  }

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

namespace {

constexpr char kSystemSid[] = "S-1-5-18";
constexpr char kAdministratorsSid[] = "S-1-5-32-544";
constexpr char kInstallerServiceSid[] = "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

std::string SidText(PSID sid) {
  char* text = nullptr;
  if (!ConvertSidToStringSidA(sid, &text)) return {};
  std::string result = text;
  LocalFree(text);
  return result;
}

std::string AccountName(PSID sid) {
  char name[256], domain[256];
  DWORD nameSize = sizeof name, domainSize = sizeof domain;
  SID_NAME_USE use;
  if (LookupAccountSidA(nullptr, sid, name, &nameSize, domain, &domainSize, &use))
    return domainSize > 0 ? std::string(domain) + "\\" + name : std::string(name);
  std::string text = SidText(sid);
  return text.empty() ? "an unknown account" : text;
}

// The owner of what the handle is open on; the system's when it cannot be read, as nothing a
// run acts for.
Account OwnerOf(HANDLE h) {
  Account owner{kSystemSid, "SYSTEM"};
  PSID sid = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(h, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &sid, nullptr, nullptr, nullptr, &descriptor) ==
          ERROR_SUCCESS &&
      sid) {
    std::string id = SidText(sid);
    if (!id.empty()) owner = {id, AccountName(sid)};
  }
  if (descriptor) LocalFree(descriptor);
  return owner;
}

EntryType TypeOf(DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return EntryType::kLink;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return EntryType::kDirectory;
  return EntryType::kFile;
}

// The token's user as text; empty when it cannot be read.
std::string RunnerSid() {
  std::string text;
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return text;
  DWORD size = 0;
  GetTokenInformation(token, ::TokenUser, nullptr, 0, &size);
  std::vector<BYTE> user(size);
  if (size > 0 && GetTokenInformation(token, ::TokenUser, user.data(), size, &size))
    text = SidText(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid);
  CloseHandle(token);
  return text;
}

// The administrators, the system, the installer service and the runner: nobody a run acts for.
bool IsTrustedSid(const std::string& sid) {
  static const std::string runner = RunnerSid();
  return sid == kSystemSid || sid == kAdministratorsSid || sid == kInstallerServiceSid ||
         (!runner.empty() && sid == runner);
}

// What the folder's access list lets accounts other than the trusted ones do: make entries in it,
// and remove or rename entries that are not theirs (or change the list itself).
void OthersInAccessList(HANDLE h, EntryInfo* info) {
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(h, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr, &descriptor) !=
      ERROR_SUCCESS) {
    return;
  }
  constexpr DWORD kTakeOver = GENERIC_ALL | WRITE_DAC | WRITE_OWNER;
  constexpr DWORD kAdd = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | GENERIC_WRITE | kTakeOver;
  constexpr DWORD kSwap = FILE_DELETE_CHILD | kTakeOver;
  for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(dacl, i, &ace)) continue;
    auto* header = static_cast<ACE_HEADER*>(ace);
    // An entry only for what is made inside it says nothing of the folder itself.
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE)) continue;
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    if (IsTrustedSid(SidText(&allowed->SidStart))) continue;
    info->othersMayAdd |= (allowed->Mask & kAdd) != 0;
    info->othersMaySwap |= (allowed->Mask & kSwap) != 0;
  }
  if (descriptor) LocalFree(descriptor);
}

bool DescribeHandle(HANDLE h, EntryInfo* info) {
  BY_HANDLE_FILE_INFORMATION file{};
  if (!GetFileInformationByHandle(h, &file)) return FailWithLastError();
  *info = EntryInfo{};
  info->type = GetFileType(h) == FILE_TYPE_DISK ? TypeOf(file.dwFileAttributes) : EntryType::kOther;
  info->owner = OwnerOf(h);
  info->names = file.nNumberOfLinks;
  info->identity = std::to_string(file.dwVolumeSerialNumber) + ":" + std::to_string(file.nFileIndexHigh) + ":" +
                   std::to_string(file.nFileIndexLow);
  if (info->type == EntryType::kDirectory) OthersInAccessList(h, info);
  return true;
}

bool DescribePath(const std::string& path, EntryInfo* info) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return FailWithLastError();
  // The entry itself, not what a reparse point leads to; nobody is kept from replacing or
  // removing it meanwhile.
  HANDLE h = CreateFileA(path.c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    *info = EntryInfo{};
    info->type = TypeOf(attributes);
    info->owner = {kSystemSid, "SYSTEM"};
    return true;
  }
  bool ok = DescribeHandle(h, info);
  CloseHandle(h);
  if (ok) info->type = TypeOf(attributes);
  return ok;
}

std::string WithoutPrefix(std::string path) {
  if (path.rfind("\\\\?\\UNC\\", 0) == 0) return "\\\\" + path.substr(8);
  if (path.rfind("\\\\?\\", 0) == 0) return path.substr(4);
  return path;
}

class LockFileHandle : public FileLock {
 public:
  explicit LockFileHandle(HANDLE h) : handle_(h) {}
  ~LockFileHandle() override { CloseHandle(handle_); }  // the file goes with its last handle

 private:
  HANDLE handle_;
};

// The owner's rights on a file (its access list, and its owner and group where the run may set
// them), given to the file open as `to`: a rewritten pathdef.m keeps the entries an
// administrator put on it, not the folder's defaults.
void TakeSecurityOf(const std::string& from, HANDLE to) {
  PSID owner = nullptr, group = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  constexpr SECURITY_INFORMATION kWhat =
      OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
  if (GetNamedSecurityInfoA(from.c_str(), SE_FILE_OBJECT, kWhat, &owner, &group, &dacl, nullptr, &descriptor) !=
      ERROR_SUCCESS)
    return;
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  GetSecurityDescriptorControl(descriptor, &control, &revision);
  // A list that inherits from the folder keeps inheriting; one protected from it stays so.
  SECURITY_INFORMATION how =
      DACL_SECURITY_INFORMATION |
      ((control & SE_DACL_PROTECTED) ? PROTECTED_DACL_SECURITY_INFORMATION : UNPROTECTED_DACL_SECURITY_INFORMATION);
  if (dacl) SetSecurityInfo(to, SE_FILE_OBJECT, how, nullptr, nullptr, dacl, nullptr);
  // Only a run with the right privileges may give a file to someone else; others keep their own.
  SetSecurityInfo(to, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION, owner, group, nullptr,
                  nullptr);
  LocalFree(descriptor);
}

// Takes the read-only attribute off the file at `path`; true when it had it.
bool LiftReadOnly(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY)) return false;
  DWORD rest = attributes & ~FILE_ATTRIBUTE_READONLY;
  return SetFileAttributesA(path.c_str(), rest == 0 ? FILE_ATTRIBUTE_NORMAL : rest) != 0;
}

bool MoveOver(const std::string& source, const std::string& target);

// A folder held open without sharing deletion: nobody renames or removes it while the edit lasts.
class Win32Folder : public Folder {
 public:
  Win32Folder(HANDLE h, std::string path) : handle_(h), path_(std::move(path)) {}
  ~Win32Folder() override {
    GiveBackReadOnly();
    CloseHandle(handle_);
  }
  Win32Folder(const Win32Folder&) = delete;
  Win32Folder& operator=(const Win32Folder&) = delete;

  const std::string& Path() const override { return path_; }
  bool Describe(std::string_view name, EntryInfo* info) override;
  bool Read(std::string_view name, std::string* contents) override;
  std::unique_ptr<WritableFile> CreateNew(std::string_view name, std::string_view like) override;
  bool Remove(std::string_view name) override;
  bool Rename(std::string_view from, std::string_view to) override {
    return MoveFileExA(Join(from).c_str(), Join(to).c_str(), MOVEFILE_WRITE_THROUGH) != 0 || FailWithLastError();
  }
  bool RenameOver(std::string_view from, std::string_view to) override;
  FsStatus HardLink(std::string_view existing, std::string_view link) override;
  FsStatus Replace(std::string_view target, std::string_view replacement, std::string_view backup) override;
  std::unique_ptr<FileLock> Lock(LockKind kind, std::chrono::milliseconds timeout) override;

 private:
  std::string Join(std::string_view name) const { return JoinPath(path_, name, PathRules::Windows()); }
  // A read-only file refuses to be replaced or moved over, so its attribute is taken off for the
  // replacement; the names here owe it back (the new pathdef.m, the backup that is the old one)
  // and get it whenever a step that lifted it is done or has failed, under the edit's lock.
  void GiveBackReadOnly();

  HANDLE handle_;
  std::string path_;
  std::set<std::string> readOnlyOwed_;
};

void Win32Folder::GiveBackReadOnly() {
  for (const std::string& name : readOnlyOwed_) {
    std::string path = Join(name);
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesA(path.c_str(), attributes | FILE_ATTRIBUTE_READONLY);
  }
  // The names stay owed: a later step of the same edit that lifts the attribute off one of them
  // (the old file has two names once backed up) gives it back to all of them again.
}

class NoLock : public FileLock {};

bool Win32Folder::Describe(std::string_view name, EntryInfo* info) {
  std::string path = Join(name);
  if (!DescribePath(path, info)) return false;
  if (info->type != EntryType::kDirectory) return true;
  // Whether this run may make entries in it: asked of the system by opening it for that.
  HANDLE h = CreateFileA(path.c_str(), FILE_ADD_FILE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    FailWithLastError();
    info->refusesChange = LastFailure();
  } else {
    CloseHandle(h);
  }
  return true;
}

bool ReadAll(HANDLE h, std::string* contents) {
  contents->clear();
  char buf[65536];
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(h, buf, sizeof buf, &got, nullptr)) return FailWithLastError();
    if (got == 0) return true;
    contents->append(buf, got);
  }
}

bool Win32Folder::Read(std::string_view name, std::string* contents) {
  std::string path = Join(name);
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
    return FailWith("not a regular file");
  HANDLE h =
      CheckDiskFile(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (h == INVALID_HANDLE_VALUE) return false;
  bool ok = ReadAll(h, contents);
  CloseHandle(h);
  return ok;
}

std::unique_ptr<WritableFile> Win32Folder::CreateNew(std::string_view name, std::string_view like) {
  DWORD attributes = FILE_ATTRIBUTE_NORMAL;
  if (!like.empty()) {
    DWORD old = GetFileAttributesA(Join(like).c_str());
    // Read-only is given when the file takes the name (RenameOver): a read-only file cannot be
    // moved there.
    DWORD keep =
        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (old != INVALID_FILE_ATTRIBUTES && (old & keep)) attributes = old & keep;
    if (old != INVALID_FILE_ATTRIBUTES && (old & FILE_ATTRIBUTE_READONLY)) readOnlyOwed_.insert(std::string(name));
  }
  HANDLE h = CheckDiskFile(CreateFileA(Join(name).c_str(), GENERIC_WRITE | WRITE_DAC | READ_CONTROL, FILE_SHARE_READ,
                                       nullptr, CREATE_NEW, attributes | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  if (!like.empty()) TakeSecurityOf(Join(like), h);
  return std::make_unique<HandleWritableFile>(h);
}

bool Win32Folder::Remove(std::string_view name) {
  std::string path = Join(name);
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

bool Win32Folder::RenameOver(std::string_view from, std::string_view to) {
  // A read-only file refuses to be moved over: the attribute is taken off for the move, and the
  // file at `to` owes it back whether it is the new one now or still the old one.
  if (LiftReadOnly(Join(to))) readOnlyOwed_.insert(std::string(to));
  bool moved = MoveOver(Join(from), Join(to));
  if (moved && readOnlyOwed_.erase(std::string(from))) readOnlyOwed_.insert(std::string(to));
  GiveBackReadOnly();
  return moved;
}

bool MoveOver(const std::string& source, const std::string& target) {
  // A file that someone has open (MATLAB reading it, an indexer, another run looking at it)
  // cannot be replaced for that moment: it is tried again for a few seconds.
  auto pause = std::chrono::milliseconds(5);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  for (;;) {
    if (MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    DWORD code = GetLastError();
    if ((code != ERROR_ACCESS_DENIED && code != ERROR_SHARING_VIOLATION) ||
        std::chrono::steady_clock::now() >= deadline)
      return FailWithLastError(code);
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::milliseconds(100));
  }
}

FsStatus Win32Folder::HardLink(std::string_view existing, std::string_view link) {
  // With the backup as a second name, the new file takes pathdef.m's place in one rename and
  // there is no moment without pathdef.m (ReplaceFile has one).
  // Both names are one file: a read-only one owes the attribute back under both once it is
  // replaced (RenameOver), which it could not be while read-only.
  bool readOnly = LiftReadOnly(Join(existing));
  if (CreateHardLinkA(Join(link).c_str(), Join(existing).c_str(), nullptr)) {
    if (readOnly) readOnlyOwed_.insert({std::string(existing), std::string(link)});
    return FsStatus::kOk;
  }
  DWORD code = GetLastError();
  if (readOnly) readOnlyOwed_.insert(std::string(existing));
  GiveBackReadOnly();
  FailWithLastError(code);
  // An existing backup is a failure; a volume or a share without hard links is not.
  return code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS ? FsStatus::kFailed : FsStatus::kUnsupported;
}

FsStatus Win32Folder::Replace(std::string_view target, std::string_view replacement, std::string_view backup) {
  std::string targetPath = Join(target), backupPath = Join(backup);
  if (LiftReadOnly(targetPath)) readOnlyOwed_.insert({std::string(target), std::string(backup)});
  struct GiveBack {
    Win32Folder& folder;
    ~GiveBack() { folder.GiveBackReadOnly(); }
  } giveBack{*this};
  if (ReplaceFileA(targetPath.c_str(), Join(replacement).c_str(), backupPath.c_str(), REPLACEFILE_IGNORE_MERGE_ERRORS,
                   nullptr, nullptr))
    return FsStatus::kOk;
  DWORD code = GetLastError();
  FailWithLastError(code);
  switch (code) {
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT_2:
      // The old file already carries the backup name: give it its own name back.
      MoveFileExA(backupPath.c_str(), targetPath.c_str(), MOVEFILE_WRITE_THROUGH);
      return FsStatus::kFailed;
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT:
      return FsStatus::kFailed;  // both files kept their names
    default:
      return FsStatus::kUnsupported;  // nothing changed; the three renames are tried instead
  }
}

std::unique_ptr<FileLock> Win32Folder::Lock(LockKind kind, std::chrono::milliseconds timeout) {
  // A check creates nothing; the replacement it might meet half way is one rename.
  if (kind == LockKind::kLook) return std::make_unique<NoLock>();
  // A lock file in the folder, opened without sharing: a second run cannot open it until the
  // first closes it, and the system deletes it with its last handle, even after a crash.
  std::string lockPath = Join("pathdef.lock");
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

// No folder on the way to `dir` is a reparse point.
bool NoLinkOnTheWay(const std::string& dir) {
  for (const std::string& folder : FoldersOf(JoinPath(dir, "x", PathRules::Windows()), PathRules::Windows())) {
    DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return FailWithLastError();
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return FailWith(folder + ": a link on the way is not followed");
  }
  return true;
}

}  // namespace

bool HandleWritableFile::Describe(EntryInfo* info) {
  return DescribeHandle(handle_, info);
}

bool Win32FileSystem::Describe(const std::string& path, EntryInfo* info) {
  return DescribePath(path, info);
}

bool Win32FileSystem::RealPath(const std::string& path, std::string* real) {
  HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD code = GetLastError();
    bool dangling = (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) &&
                    GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (dangling) return FailWith("the link leads nowhere");
    return FailWithLastError(code);
  }
  char buf[MAX_PATH * 4] = {};
  DWORD n = GetFinalPathNameByHandleA(h, buf, sizeof buf, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  DWORD code = GetLastError();
  CloseHandle(h);
  if (n == 0 || n >= sizeof buf) return FailWithLastError(code);
  std::string final = WithoutPrefix(std::string(buf, n));
  // Only a drive or a share names it for every other call (Wine answers "unix\..." for a folder
  // outside its drives).
  bool dos = (final.size() >= 3 && final[1] == ':' && final[2] == '\\') || final.rfind("\\\\", 0) == 0;
  if (!dos) return FailWith("no drive or share leads to it");
  *real = final;
  return true;
}

std::unique_ptr<Folder> Win32FileSystem::OpenFolder(const std::string& dir, bool pinned) {
  if (pinned && !NoLinkOnTheWay(dir)) return nullptr;
  HANDLE h = CreateFileA(dir.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    FailWithLastError();
    return nullptr;
  }
  return std::make_unique<Win32Folder>(h, dir);
}

std::unique_ptr<WritableFile> Win32FileSystem::OpenLog(const std::string& path, bool, bool append) {
  // Others may read and write it meanwhile (the log is read while the run goes on); opened as
  // it stands, and looked at before it is emptied. Appended to, every write goes to its end.
  DWORD access = (append ? FILE_APPEND_DATA | SYNCHRONIZE : GENERIC_WRITE) | READ_CONTROL;
  HANDLE h = CheckDiskFile(CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<HandleWritableFile>(h);
}

std::string Win32FileSystem::LastError() {
  return LastFailure();
}

bool Win32Identity::RunsWithRights() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  bool result =
      GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) && elevation.TokenIsElevated != 0;
  CloseHandle(token);
  return result || RunnerSid() == kSystemSid;
}

bool Win32Identity::IsTrusted(const Account& account) {
  return IsTrustedSid(account.id);
}

FsStatus Win32Identity::ActAs(const Account&, std::unique_ptr<ActingIdentity>* guard) {
  guard->reset();
  return FsStatus::kUnsupported;
}

}  // namespace vorex
