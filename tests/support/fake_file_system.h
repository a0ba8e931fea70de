#pragma once
// An in-memory file system whose every step can be made to fail on demand, or to fail from some
// call on as if the process had died there. It is also the machine's identity: who owns which
// folder, and acting as a user.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/identity.h"

namespace vorex::testing {

class FakeFileSystem : public FileSystem, public Identity {
 public:
  enum class Op {
    kRead,
    kCreate,
    kWrite,
    kClose,
    kRemove,
    kRename,
    kHardLink,
    kRenameOver,
    kReplace,
    kList,
    kLock,
    kResolve,
    kActAs,
    kOpen,
    kPin,
  };

  std::map<std::string, std::string> files;
  std::set<std::string> dirs;
  // Entries that are neither files nor directories (a FIFO, a device): never opened.
  std::set<std::string> specials;
  // Symbolic links and their targets; a target that is no file leads nowhere.
  std::map<std::string, std::string> links;
  // Directories whose edit lock is taken, and the kind of every lock asked for, in order.
  std::set<std::string> locked;
  std::vector<LockKind> lockKinds;
  // The reason that LastError gives for an injected failure.
  std::string injectedReason = "injected failure";
  std::vector<std::string> roots;
  // What HardLink and Replace do when they do not fail: the POSIX way by default.
  bool supportsHardLinks = true;
  bool supportsReplaceFile = false;

  // Rights. A run with rights looks at whose place each file is in.
  bool withRights = false;
  // What ActAs does when it does not fail: switch (the POSIX way) or kUnsupported (Windows).
  bool supportsActAs = true;
  // The owner of an entry (by path); entries without one are root's.
  std::map<std::string, Account> owners;
  // Folders in which others may swap entries; OpenFolder(pinned) also refuses those named here
  // as links.
  std::set<std::string> sharedDirs;
  // Folders in which others may only add entries of their own (sticky).
  std::set<std::string> stickyDirs;
  // While acting as a user: whom, and every switch and restore in order ("as evil", "own").
  std::string actingAs;
  std::vector<std::string> identityLog;
  // Files that only their owner may read (the acting user is refused them).
  std::set<std::string> privateFiles;
  // The folders opened pinned and not yet closed.
  std::multiset<std::string> pinned;
  // Who made each file that was created while acting as a user.
  std::map<std::string, std::string> createdBy;
  // Folders reached through links, and what they really are.
  std::map<std::string, std::string> realFolders;
  // Folders the run may not make entries in (a read-only mount, no write permission).
  std::set<std::string> unwritableDirs;
  // What a file carries besides its text, as Windows keeps it with the file: its access list
  // (a text here) and its read-only attribute. They travel with the file through renames and
  // hard links; a new file gets those of the file it is made like, or its folder's access list.
  std::map<std::string, std::string> permissions;
  std::set<std::string> readOnly;
  // The access list of a file made in `dir` without a model: the folder's, as Windows gives it.
  static std::string FolderDefault(const std::string& dir) { return "inherited from " + dir; }
  // Moves (or, keeping the source, copies) what `from` carries to `to`.
  void CarryAttributes(const std::string& from, const std::string& to, bool keepSource);

  static Account Root() { return {"0", "root"}; }
  // Gives `path` (a folder or a file) to `user`.
  void GiveTo(const std::string& path, const std::string& user, unsigned long long uid = 1000);

  // The nth call (from 1) of op fails; with a path part, only calls naming such a path count.
  void FailOn(Op op, int nth = 1, const std::string& pathPart = "");
  // Every call after this many calls fails, as if the process had stopped there.
  void CrashAfter(int calls) { crashAfter_ = calls; }
  int CallCount() const { return calls_; }
  // Every call, in order: the op's name and the path it named.
  std::vector<std::string> Journal() const { return journal_; }

  void AddFile(const std::string& path, const std::string& contents);

  // FileSystem.
  std::vector<std::string> FixedDriveRoots() override { return roots; }
  bool ListDirectory(const std::string& dir, const std::function<bool(const DirEntry&)>& visit) override;
  bool Describe(const std::string& path, EntryInfo* info) override;
  bool RealPath(const std::string& path, std::string* real) override;
  std::unique_ptr<Folder> OpenFolder(const std::string& dir, bool pinned) override;
  std::unique_ptr<WritableFile> OpenLog(const std::string& path, bool isPrivate, bool append) override;
  std::string LastError() override { return lastError_; }

  // Identity.
  bool RunsWithRights() override { return withRights; }
  bool IsTrusted(const Account& account) override { return account.id == "0"; }
  FsStatus ActAs(const Account& account, std::unique_ptr<ActingIdentity>* guard) override;

  // The steps a folder takes, by full path.
  bool Exists(const std::string& path) const;
  bool ReadFile(const std::string& path, std::string* contents);
  std::unique_ptr<WritableFile> CreateNew(const std::string& path);
  std::unique_ptr<FileLock> LockFolder(const std::string& dir, std::chrono::milliseconds timeout);
  bool Remove(const std::string& path);
  bool Rename(const std::string& from, const std::string& to);
  FsStatus HardLink(const std::string& existing, const std::string& link);
  bool RenameOver(const std::string& from, const std::string& to);
  FsStatus ReplaceFile(const std::string& target, const std::string& replacement, const std::string& backup);

  // False, with "Permission denied", when the user acted as may not change entries of the
  // folder holding `path` (only that user's own folders are theirs).
  bool MayChange(const std::string& path);

  // True when this call is to fail; counts it.
  bool Fails(Op op, const std::string& path);
  // Records why the call failed and returns false.
  bool Refuse(std::string reason) {
    lastError_ = std::move(reason);
    return false;
  }

 private:
  struct Fault {
    Op op;
    int nth;
    std::string pathPart;
    int seen = 0;
  };
  std::vector<Fault> faults_;
  int crashAfter_ = -1;
  int calls_ = 0;
  std::vector<std::string> journal_;
  std::string lastError_;
};

const char* OpName(FakeFileSystem::Op op);

}  // namespace vorex::testing
