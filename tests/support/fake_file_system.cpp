#include "support/fake_file_system.h"

#include <algorithm>

namespace vorex::testing {

namespace {

class FakeWritableFile : public WritableFile {
 public:
  FakeWritableFile(FakeFileSystem& fs, std::string path) : fs_(fs), path_(std::move(path)) {}
  bool Write(std::string_view data) override {
    if (fs_.Fails(FakeFileSystem::Op::kWrite, path_)) {
      fs_.files[path_] += std::string(data.substr(0, data.size() / 2));  // a short write
      return fs_.Refuse(fs_.injectedReason);
    }
    fs_.files[path_] += std::string(data);
    return true;
  }
  bool Close() override { return !fs_.Fails(FakeFileSystem::Op::kClose, path_) || fs_.Refuse(fs_.injectedReason); }

 private:
  FakeFileSystem& fs_;
  std::string path_;
};

char SeparatorOf(const std::string& path) {
  return path.find('\\') != std::string::npos ? '\\' : '/';
}

class FakeIdentity : public ActingIdentity {
 public:
  explicit FakeIdentity(FakeFileSystem& fs) : fs_(fs) {}
  ~FakeIdentity() override {
    fs_.actingAs.clear();
    fs_.identityLog.push_back("own");
  }

 private:
  FakeFileSystem& fs_;
};

class FakeLock : public FileLock {
 public:
  FakeLock(FakeFileSystem& fs, std::string dir) : fs_(fs), dir_(std::move(dir)) {}
  ~FakeLock() override { fs_.locked.erase(dir_); }

 private:
  FakeFileSystem& fs_;
  std::string dir_;
};

std::string ParentOf(const std::string& path) {
  std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

}  // namespace

const char* OpName(FakeFileSystem::Op op) {
  switch (op) {
    case FakeFileSystem::Op::kRead:
      return "read";
    case FakeFileSystem::Op::kCreate:
      return "create";
    case FakeFileSystem::Op::kWrite:
      return "write";
    case FakeFileSystem::Op::kClose:
      return "close";
    case FakeFileSystem::Op::kRemove:
      return "remove";
    case FakeFileSystem::Op::kRename:
      return "rename";
    case FakeFileSystem::Op::kHardLink:
      return "hardlink";
    case FakeFileSystem::Op::kRenameOver:
      return "rename-over";
    case FakeFileSystem::Op::kReplace:
      return "replace";
    case FakeFileSystem::Op::kList:
      return "list";
    case FakeFileSystem::Op::kLock:
      return "lock";
    case FakeFileSystem::Op::kResolve:
      return "resolve";
    case FakeFileSystem::Op::kActAs:
      return "act-as";
    case FakeFileSystem::Op::kOpen:
      return "open";
    case FakeFileSystem::Op::kPin:
      return "pin";
  }
  return "?";
}

void FakeFileSystem::FailOn(Op op, int nth, const std::string& pathPart) {
  faults_.push_back({op, nth, pathPart});
}

void FakeFileSystem::AddFile(const std::string& path, const std::string& contents) {
  files[path] = contents;
  char sep = SeparatorOf(path);
  for (std::size_t pos = path.find(sep, 1); pos != std::string::npos; pos = path.find(sep, pos + 1))
    dirs.insert(path.substr(0, pos));
}

void FakeFileSystem::GiveTo(const std::string& path, const std::string& user, unsigned long long uid) {
  owners[path] = {std::to_string(uid), user};
}

bool FakeFileSystem::Describe(const std::string& path, EntryInfo* info) {
  bool isRoot =
      path == "/" || (path.size() == 3 && path[1] == ':') || std::find(roots.begin(), roots.end(), path) != roots.end();
  if (!Exists(path) && !isRoot) return Refuse("No such file or directory");
  *info = EntryInfo{};
  auto it = owners.find(path);
  info->owner = it != owners.end() ? it->second : Root();
  info->type = dirs.count(path) != 0 || isRoot ? EntryType::kDirectory
               : links.count(path) != 0        ? EntryType::kLink
               : specials.count(path) != 0     ? EntryType::kOther
                                               : EntryType::kFile;
  info->othersMaySwap = sharedDirs.count(path) != 0;
  info->othersMayAdd = info->othersMaySwap || stickyDirs.count(path) != 0;
  info->identity = path;
  return true;
}

bool FakeFileSystem::RealPath(const std::string& path, std::string* real) {
  if (Fails(Op::kResolve, path)) return false;
  if (auto folder = realFolders.find(path); folder != realFolders.end()) {
    *real = folder->second;
    return true;
  }
  auto link = links.find(path);
  if (link == links.end()) {
    *real = path;
    return Exists(path) || dirs.count(path) || Refuse("No such file or directory");
  }
  if (!files.count(link->second) && !specials.count(link->second)) return Refuse("the link leads nowhere");
  *real = link->second;
  return true;
}

FsStatus FakeFileSystem::ActAs(const Account& account, std::unique_ptr<ActingIdentity>* guard) {
  guard->reset();
  if (!supportsActAs) return FsStatus::kUnsupported;
  if (Fails(Op::kActAs, account.name)) return FsStatus::kFailed;
  actingAs = account.name;
  identityLog.push_back("as " + account.name);
  *guard = std::make_unique<FakeIdentity>(*this);
  return FsStatus::kOk;
}

void FakeFileSystem::CarryAttributes(const std::string& from, const std::string& to, bool keepSource) {
  permissions.erase(to);
  readOnly.erase(to);
  if (auto it = permissions.find(from); it != permissions.end()) permissions[to] = it->second;
  if (readOnly.count(from)) readOnly.insert(to);
  if (keepSource) return;
  permissions.erase(from);
  readOnly.erase(from);
}

bool FakeFileSystem::MayChange(const std::string& path) {
  if (unwritableDirs.count(ParentOf(path))) return Refuse("Permission denied");
  if (actingAs.empty()) return true;
  auto it = owners.find(ParentOf(path));
  if (it != owners.end() && it->second.name == actingAs) return true;
  return Refuse("Permission denied");
}

bool FakeFileSystem::Fails(Op op, const std::string& path) {
  ++calls_;
  journal_.push_back(std::string(OpName(op)) + " " + path);
  lastError_ = injectedReason;
  if (crashAfter_ >= 0 && calls_ > crashAfter_) return true;
  for (Fault& f : faults_) {
    if (f.op != op || (!f.pathPart.empty() && path.find(f.pathPart) == std::string::npos)) continue;
    if (++f.seen == f.nth) return true;
  }
  return false;
}

bool FakeFileSystem::ListDirectory(const std::string& dir, const std::function<bool(const DirEntry&)>& visit) {
  if (Fails(Op::kList, dir)) return false;
  bool isRoot = std::find(roots.begin(), roots.end(), dir) != roots.end();
  if (!isRoot && dirs.count(dir) == 0) return false;
  char sep = SeparatorOf(dir);
  std::string prefix = dir;
  if (prefix.back() != sep) prefix += sep;
  std::set<std::string> seen;
  std::vector<std::pair<std::string, bool>> entries;
  auto consider = [&](const std::string& path, bool isDir) {
    if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0) return;
    std::string rest = path.substr(prefix.size());
    if (rest.find(sep) != std::string::npos) return;
    if (seen.insert(rest).second) entries.emplace_back(rest, isDir);
  };
  for (const std::string& d : dirs) consider(d, true);
  for (const auto& [path, contents] : files) consider(path, false);
  for (const std::string& path : specials) consider(path, false);
  for (const auto& [path, target] : links) consider(path, false);
  for (const auto& [name, isDir] : entries) {
    DirEntry entry;
    entry.name = name;
    entry.isDirectory = isDir;
    if (!visit(entry)) break;
  }
  return true;
}

bool FakeFileSystem::Exists(const std::string& path) const {
  return files.count(path) || dirs.count(path) || specials.count(path) || links.count(path);
}

bool FakeFileSystem::ReadFile(const std::string& path, std::string* contents) {
  if (Fails(Op::kRead, path)) return false;
  if (specials.count(path) || dirs.count(path)) return Refuse("not a regular file");
  if (!actingAs.empty() && privateFiles.count(path)) return Refuse("Permission denied");
  auto it = files.find(path);
  if (it == files.end()) return Refuse("No such file or directory");
  *contents = it->second;
  return true;
}

std::unique_ptr<WritableFile> FakeFileSystem::CreateNew(const std::string& path) {
  if (Fails(Op::kCreate, path) || !MayChange(path)) return nullptr;
  if (Exists(path)) {
    Refuse("File exists");
    return nullptr;
  }
  if (!actingAs.empty()) createdBy[path] = actingAs;
  files[path].clear();
  return std::make_unique<FakeWritableFile>(*this, path);
}

std::unique_ptr<FileLock> FakeFileSystem::LockFolder(const std::string& dir, std::chrono::milliseconds timeout) {
  if (Fails(Op::kLock, dir)) return nullptr;
  if (!locked.insert(dir).second) {
    Refuse("another run held it for more than " + std::to_string(timeout.count()) + " ms");
    return nullptr;
  }
  return std::make_unique<FakeLock>(*this, dir);
}

bool FakeFileSystem::Remove(const std::string& path) {
  if (Fails(Op::kRemove, path) || !MayChange(path)) return false;
  if (dirs.count(path)) return Refuse("Is a directory");
  if (specials.erase(path) || links.erase(path)) return true;
  permissions.erase(path);
  readOnly.erase(path);
  return files.erase(path) != 0 || Refuse("No such file or directory");
}

bool FakeFileSystem::Rename(const std::string& from, const std::string& to) {
  if (Fails(Op::kRename, from + " -> " + to) || !MayChange(from) || !MayChange(to)) return false;
  if (!files.count(from)) return Refuse("No such file or directory");
  if (Exists(to)) return Refuse("File exists");
  files[to] = files[from];
  files.erase(from);
  if (createdBy.count(from)) createdBy[to] = createdBy[from];
  createdBy.erase(from);
  CarryAttributes(from, to, false);
  return true;
}

FsStatus FakeFileSystem::HardLink(const std::string& existing, const std::string& link) {
  if (!supportsHardLinks) return FsStatus::kUnsupported;
  if (Fails(Op::kHardLink, existing + " -> " + link) || !MayChange(link)) return FsStatus::kFailed;
  if (!files.count(existing) || Exists(link)) {
    Refuse("File exists");
    return FsStatus::kFailed;
  }
  files[link] = files[existing];
  CarryAttributes(existing, link, true);
  return FsStatus::kOk;
}

bool FakeFileSystem::RenameOver(const std::string& from, const std::string& to) {
  if (Fails(Op::kRenameOver, from + " -> " + to) || !MayChange(to)) return false;
  if (!files.count(from) || dirs.count(to)) return Refuse("cannot rename");
  files[to] = files[from];
  files.erase(from);
  if (createdBy.count(from)) createdBy[to] = createdBy[from];
  createdBy.erase(from);
  CarryAttributes(from, to, false);
  return true;
}

FsStatus FakeFileSystem::ReplaceFile(const std::string& target, const std::string& replacement,
                                     const std::string& backup) {
  if (!supportsReplaceFile) return FsStatus::kUnsupported;
  if (Fails(Op::kReplace, target)) return FsStatus::kFailed;
  if (!files.count(target) || !files.count(replacement)) return FsStatus::kFailed;
  files[backup] = files[target];
  files[target] = files[replacement];
  files.erase(replacement);
  CarryAttributes(target, backup, true);
  CarryAttributes(replacement, target, false);
  return FsStatus::kOk;
}

namespace {

// A folder of the fake: every call is the file system's own on the joined path.
class FakeFolder : public Folder {
 public:
  FakeFolder(FakeFileSystem& fs, std::string path, bool pinned) : fs_(fs), path_(std::move(path)), pinned_(pinned) {
    if (pinned_) fs_.pinned.insert(path_);
  }
  ~FakeFolder() override {
    if (pinned_) fs_.pinned.erase(fs_.pinned.find(path_));
  }
  const std::string& Path() const override { return path_; }
  bool Describe(std::string_view name, EntryInfo* info) override {
    if (name != ".") return fs_.Describe(Join(name), info);
    if (!fs_.Describe(path_, info)) return false;
    if (!fs_.MayChange(Join("x"))) info->refusesChange = fs_.LastError();
    return true;
  }
  bool Read(std::string_view name, std::string* contents) override {
    std::string path = Join(name);
    if (fs_.links.count(path)) {
      fs_.Fails(FakeFileSystem::Op::kRead, path);
      return fs_.Refuse("Too many levels of symbolic links");
    }
    return fs_.ReadFile(path, contents);
  }
  std::unique_ptr<WritableFile> CreateNew(std::string_view name, std::string_view like) override {
    std::string path = Join(name);
    std::unique_ptr<WritableFile> file = fs_.CreateNew(path);
    if (!file) return file;
    if (like.empty()) {
      fs_.permissions[path] = FakeFileSystem::FolderDefault(path_);
    } else {
      fs_.CarryAttributes(Join(like), path, true);
    }
    return file;
  }
  bool Remove(std::string_view name) override { return fs_.Remove(Join(name)); }
  bool Rename(std::string_view from, std::string_view to) override { return fs_.Rename(Join(from), Join(to)); }
  bool RenameOver(std::string_view from, std::string_view to) override { return fs_.RenameOver(Join(from), Join(to)); }
  FsStatus HardLink(std::string_view existing, std::string_view link) override {
    return fs_.HardLink(Join(existing), Join(link));
  }
  FsStatus Replace(std::string_view target, std::string_view replacement, std::string_view backup) override {
    return fs_.ReplaceFile(Join(target), Join(replacement), Join(backup));
  }
  std::unique_ptr<FileLock> Lock(LockKind kind, std::chrono::milliseconds timeout) override {
    fs_.lockKinds.push_back(kind);
    return fs_.LockFolder(path_, timeout);
  }

 private:
  std::string Join(std::string_view name) const {
    char sep = SeparatorOf(path_);
    return path_.back() == sep ? path_ + std::string(name) : path_ + sep + std::string(name);
  }
  FakeFileSystem& fs_;
  std::string path_;
  bool pinned_;
};

class FakeLogFile : public WritableFile {
 public:
  FakeLogFile(FakeFileSystem& fs, std::string path) : fs_(fs), path_(std::move(path)) {}
  bool Write(std::string_view data) override {
    fs_.files[path_] += std::string(data);
    return true;
  }
  bool Close() override { return true; }
  bool Describe(EntryInfo* info) override { return fs_.Describe(path_, info); }
  bool Empty() override {
    fs_.files[path_].clear();
    return true;
  }

 private:
  FakeFileSystem& fs_;
  std::string path_;
};

}  // namespace

std::unique_ptr<Folder> FakeFileSystem::OpenFolder(const std::string& dir, bool pinned) {
  if (Fails(pinned ? Op::kPin : Op::kOpen, dir)) return nullptr;
  bool isRoot = std::find(roots.begin(), roots.end(), dir) != roots.end() || dir == "/";
  std::string prefix = dir + SeparatorOf(dir);
  auto under = [&](const std::string& path) { return path.compare(0, prefix.size(), prefix) == 0; };
  auto holds = [&](const auto& entries) {
    for (const auto& entry : entries)
      if (under(entry.first)) return true;
    return false;
  };
  bool holdsSpecial = std::any_of(specials.begin(), specials.end(), under);
  if (!dirs.count(dir) && !isRoot && !holds(files) && !holds(links) && !holdsSpecial) {
    Refuse("No such file or directory");
    return nullptr;
  }
  return std::make_unique<FakeFolder>(*this, dir, pinned);
}

std::unique_ptr<WritableFile> FakeFileSystem::OpenLog(const std::string& path, bool, bool) {
  if (Fails(Op::kCreate, path)) return nullptr;
  if (specials.count(path) || dirs.count(path) || links.count(path)) {
    Refuse("not a regular file");
    return nullptr;
  }
  if (!files.count(path)) files[path];
  return std::make_unique<FakeLogFile>(*this, path);
}

}  // namespace vorex::testing
