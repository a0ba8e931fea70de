#include "platform/posix/posix_identity.h"

#include "platform/last_error.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/fsuid.h>
#include <sys/syscall.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace vorex {

#if defined(__linux__)

namespace {

// glibc's setgroups() changes every thread of the process; the system call changes the caller.
bool SetThreadGroups(const std::vector<gid_t>& groups) {
  return ::syscall(SYS_setgroups, groups.size(), groups.data()) == 0;
}

// The setfs* calls answer with the previous id and never fail outright; asking with -1 (no
// valid id) changes nothing and tells the one in force.
bool SetFsUid(uid_t uid) {
  ::setfsuid(uid);
  return static_cast<uid_t>(::setfsuid(static_cast<uid_t>(-1))) == uid;
}

bool SetFsGid(gid_t gid) {
  ::setfsgid(gid);
  return static_cast<gid_t>(::setfsgid(static_cast<gid_t>(-1))) == gid;
}

std::vector<gid_t> GroupsOf(uid_t uid, gid_t primary) {
  std::vector<gid_t> groups{primary};
  std::vector<char> buf(16384);
  struct passwd pw {};
  struct passwd* found = nullptr;
  if (::getpwuid_r(uid, &pw, buf.data(), buf.size(), &found) != 0 || !found) return groups;
  int count = 64;
  groups.resize(static_cast<std::size_t>(count));
  if (::getgrouplist(found->pw_name, primary, groups.data(), &count) < 0) {
    groups.resize(static_cast<std::size_t>(count));
    if (::getgrouplist(found->pw_name, primary, groups.data(), &count) < 0) return {primary};
  }
  groups.resize(static_cast<std::size_t>(count));
  return groups;
}

class FsIdentity : public ActingIdentity {
 public:
  FsIdentity(uid_t uid, gid_t gid, std::vector<gid_t> groups) : uid_(uid), gid_(gid), groups_(std::move(groups)) {}
  ~FsIdentity() override {
    // The user id first: with it the thread gets its capabilities back, which the group calls
    // need. A thread that cannot become itself again must not go on working.
    if (!SetFsUid(uid_) || !SetFsGid(gid_) || !SetThreadGroups(groups_)) {
      std::fputs("vorex: could not restore the run's own rights; stopping\n", stderr);
      std::abort();
    }
  }

 private:
  uid_t uid_;
  gid_t gid_;
  std::vector<gid_t> groups_;
};

}  // namespace

static FsStatus ActAsOnThisThread(uid_t uid, gid_t gid, std::unique_ptr<ActingIdentity>* guard) {
  guard->reset();
  // The group an entry belongs to need not be its owner's: the user's own primary group counts.
  std::vector<char> buf(16384);
  struct passwd pw {};
  struct passwd* found = nullptr;
  if (::getpwuid_r(uid, &pw, buf.data(), buf.size(), &found) == 0 && found) gid = found->pw_gid;

  int count = ::getgroups(0, nullptr);
  std::vector<gid_t> saved(count > 0 ? static_cast<std::size_t>(count) : 0);
  if (count < 0 || ::getgroups(count, saved.data()) < 0) {
    FailWith(std::strerror(errno));
    return FsStatus::kFailed;
  }
  auto ownUid = static_cast<uid_t>(::setfsuid(static_cast<uid_t>(-1)));
  auto ownGid = static_cast<gid_t>(::setfsgid(static_cast<gid_t>(-1)));
  // From here on the guard restores whatever was changed, on every path.
  auto identity = std::make_unique<FsIdentity>(ownUid, ownGid, std::move(saved));
  if (!SetThreadGroups(GroupsOf(uid, gid))) {
    FailWith(std::strerror(errno));
    return FsStatus::kFailed;
  }
  if (!SetFsGid(gid) || !SetFsUid(uid)) {
    FailWith("the system refused the user's identity");
    return FsStatus::kFailed;
  }
  *guard = std::move(identity);
  return FsStatus::kOk;
}

#else

static FsStatus ActAsOnThisThread(uid_t, gid_t, std::unique_ptr<ActingIdentity>* guard) {
  guard->reset();
  return FsStatus::kUnsupported;
}

#endif

namespace {

// The numbers in an account's id ("uid:gid").
bool Numbers(const Account& account, uid_t* uid, gid_t* gid) {
  unsigned long long user = 0, group = 0;
  if (std::sscanf(account.id.c_str(), "%llu:%llu", &user, &group) != 2) return false;
  *uid = static_cast<uid_t>(user);
  *gid = static_cast<gid_t>(group);
  return true;
}

}  // namespace

bool PosixIdentity::RunsWithRights() {
  return ::geteuid() == 0;
}

bool PosixIdentity::IsTrusted(const Account& account) {
  uid_t uid = 0;
  gid_t gid = 0;
  if (!Numbers(account, &uid, &gid)) return false;
  return uid == 0 || uid == ::geteuid();
}

FsStatus PosixIdentity::ActAs(const Account& account, std::unique_ptr<ActingIdentity>* guard) {
  uid_t uid = 0;
  gid_t gid = 0;
  if (!Numbers(account, &uid, &gid)) {
    guard->reset();
    FailWith("no such account: " + account.id);
    return FsStatus::kFailed;
  }
  return ActAsOnThisThread(uid, gid, guard);
}

}  // namespace vorex
