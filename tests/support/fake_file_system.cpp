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

class FakePin : public FolderPin {
 public:
  explicit FakePin(FakeFileSystem& fs) : fs_(fs) {}
  ~FakePin() override { fs_.pinned.clear(); }

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
  EntryOwner& owner = owners[path];
  owner.privileged = false;
  owner.userName = user;
  owner.userId = uid;
  owner.groupId = uid;
}

bool FakeFileSystem::InspectEntry(const std::string& path, EntryOwner* owner) {
  bool isRoot =
      path == "/" || (path.size() == 3 && path[1] == ':') || std::find(roots.begin(), roots.end(), path) != roots.end();
  if (!Exists(path) && !isRoot) return Refuse("No such file or directory");
  auto it = owners.find(path);
  *owner = it != owners.end() ? it->second : EntryOwner{};
  owner->isDirectory = dirs.count(path) != 0 || isRoot;
  owner->isLink = links.count(path) != 0;
  owner->writableByOthers = sharedDirs.count(path) != 0;
  if (owner->userName.empty()) owner->userName = "root";
  return true;
}

FsStatus FakeFileSystem::ActAs(const EntryOwner& owner, std::unique_ptr<ActingIdentity>* guard) {
  guard->reset();
  if (!supportsActAs) return FsStatus::kUnsupported;
  if (Fails(Op::kActAs, owner.userName)) return FsStatus::kFailed;
  actingAs = owner.userName;
  identityLog.push_back("as " + owner.userName);
  *guard = std::make_unique<FakeIdentity>(*this);
  return FsStatus::kOk;
}

std::unique_ptr<FolderPin> FakeFileSystem::PinFolder(const std::string& dir) {
  if (Fails(Op::kPin, dir)) return nullptr;
  pinned = dir;
  return std::make_unique<FakePin>(*this);
}

bool FakeFileSystem::MayChange(const std::string& path) {
  if (actingAs.empty()) return true;
  auto it = owners.find(ParentOf(path));
  if (it != owners.end() && it->second.userName == actingAs) return true;
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

bool FakeFileSystem::Exists(const std::string& path) {
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

std::unique_ptr<WritableFile> FakeFileSystem::CreateForWrite(const std::string& path) {
  if (Fails(Op::kCreate, path)) return nullptr;
  if (specials.count(path) || dirs.count(path) || links.count(path)) {
    Refuse("not a regular file");
    return nullptr;
  }
  files[path].clear();
  return std::make_unique<FakeWritableFile>(*this, path);
}

std::unique_ptr<WritableFile> FakeFileSystem::CreateNew(const std::string& path) {
  if (Fails(Op::kCreate, path) || !MayChange(path)) return nullptr;
  if (!actingAs.empty()) createdBy[path] = actingAs;
  if (Exists(path)) {
    Refuse("File exists");
    return nullptr;
  }
  files[path].clear();
  return std::make_unique<FakeWritableFile>(*this, path);
}

bool FakeFileSystem::ResolveLink(const std::string& path, std::string* target) {
  if (Fails(Op::kResolve, path)) return false;
  auto it = links.find(path);
  if (it == links.end()) {
    *target = path;
    return true;
  }
  if (!files.count(it->second) && !specials.count(it->second)) return Refuse("the link leads nowhere");
  *target = it->second;
  return true;
}

std::unique_ptr<FileLock> FakeFileSystem::LockForEdit(const std::string& path, std::chrono::milliseconds timeout) {
  std::string dir = ParentOf(path);
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
  return FsStatus::kOk;
}

bool FakeFileSystem::RenameOver(const std::string& from, const std::string& to) {
  if (Fails(Op::kRenameOver, from + " -> " + to) || !MayChange(to)) return false;
  if (!files.count(from) || dirs.count(to)) return Refuse("cannot rename");
  files[to] = files[from];
  files.erase(from);
  if (createdBy.count(from)) createdBy[to] = createdBy[from];
  createdBy.erase(from);
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
  return FsStatus::kOk;
}

}  // namespace vorex::testing
