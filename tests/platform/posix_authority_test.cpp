// The POSIX pieces of acting with the right authority, on the real disk: another user's rights
// on this thread alone, a pinned folder that a later swap cannot move, and the guarded log.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include <cstdio>
#include <cstdlib>

#include "log/diagnostic_log.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_identity.h"
#include "support/files.h"
#include "support/posix_edit.h"
#include "support/temp_dir.h"

namespace vorex {
namespace {

namespace fs = std::filesystem;
using testing::Slurp;
using testing::Spit;
using testing::TempDir;

using testing::PosixEditHarness;

constexpr unsigned kNobody = 65534;
const Account kNobodyAccount{"65534:65534", "nobody"};

bool CanCreate(const std::string& dir, const std::string& name) {
  PosixFileSystem posix;
  auto folder = posix.OpenFolder(dir, false);
  if (!folder) return false;
  auto file = folder->CreateNew(name, "");
  if (!file) return false;
  file->Close();
  folder->Remove(name);
  return true;
}

TEST(PosixAuthority, ActingAsAUserIsRefusedWhatTheUserMayNotDoOnThisThreadOnly) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root";
  TempDir dir;
  ::chmod(dir.path().c_str(), 0755);
  PosixFileSystem posix;
  PosixIdentity identity;
  // A thread that exists before the switch (a new one would inherit this thread's identity).
  std::atomic<int> step{0};
  bool otherThread = false;
  std::thread other([&] {
    while (step != 1) std::this_thread::yield();
    otherThread = CanCreate(dir, "other-thread");
    step = 2;
  });
  {
    std::unique_ptr<ActingIdentity> guard;
    ASSERT_EQ(identity.ActAs(kNobodyAccount, &guard), FsStatus::kOk);
    EXPECT_FALSE(CanCreate(dir, "as-nobody"));
    EXPECT_EQ(posix.LastError(), "Permission denied");
    step = 1;
    while (step != 2) std::this_thread::yield();
  }
  other.join();
  EXPECT_TRUE(otherThread);
  EXPECT_TRUE(CanCreate(dir, "after"));
}

TEST(PosixAuthority, DescribeTellsOwnersAndWhoElseMayChangeAFolder) {
  TempDir dir;
  PosixFileSystem posix;
  PosixIdentity identity;
  struct Case {
    mode_t mode;
    gid_t group;
    bool mayAdd;
    bool maySwap;
  } cases[] = {{0755, 0, false, false},
               {02775, 50, true, true},
               {0775, 0, false, false},
               {01777, 0, true, false},
               {0777, 0, true, true}};
  for (const Case& c : cases) {
    std::string d = dir / ("d" + std::to_string(c.mode) + "-" + std::to_string(c.group));
    fs::create_directory(d);
    if (::geteuid() == 0) {
      ASSERT_EQ(::chown(d.c_str(), 0, c.group), 0);
    } else if (c.group != 0) {
      continue;
    }
    ::chmod(d.c_str(), c.mode);
    EntryInfo info;
    ASSERT_TRUE(posix.Describe(d, &info));
    EXPECT_EQ(info.type, EntryType::kDirectory);
    EXPECT_TRUE(identity.IsTrusted(info.owner));
    EXPECT_EQ(info.othersMayAdd, c.mayAdd) << std::oct << c.mode;
    EXPECT_EQ(info.othersMaySwap, c.maySwap) << std::oct << c.mode;
  }
  fs::create_symlink("/", dir / "link");
  EntryInfo link;
  ASSERT_TRUE(posix.Describe(dir / "link", &link));
  EXPECT_EQ(link.type, EntryType::kLink);
  if (::geteuid() == 0) {
    ASSERT_EQ(::lchown((dir / "link").c_str(), kNobody, kNobody), 0);
    ASSERT_TRUE(posix.Describe(dir / "link", &link));
    EXPECT_FALSE(identity.IsTrusted(link.owner));
    EXPECT_EQ(link.owner.id, "65534:65534");
  }
}

// With rights, the log refuses a planted name and is readable by its owner only.
TEST(PosixAuthority, AGuardedLogRefusesPlantedFiles) {
  TempDir dir;
  ::chmod(dir.path().c_str(), 01777);
  PosixEditHarness h;
  h.platform.withRights = true;
  Spit(dir / "target", "precious\n");
  fs::create_hard_link(dir / "target", dir / "vorex.log");
  {
    DiagnosticLog log;
    log.Open(h.platform, dir / "vorex.log");
    EXPECT_FALSE(log.IsOpen());
    EXPECT_EQ(log.Refusal(), "Log off: " + dir / "vorex.log" + ": it has more than one name (a hard link)");
  }
  EXPECT_EQ(Slurp(dir / "target"), "precious\n");

  fs::remove(dir / "vorex.log");
  Spit(dir / "vorex.log", "old\n");
  ::chmod((dir / "vorex.log").c_str(), 0644);
  {
    DiagnosticLog log;
    log.Open(h.platform, dir / "vorex.log");
    EXPECT_TRUE(log.IsOpen());
  }
  struct stat st {};
  ASSERT_EQ(::stat((dir / "vorex.log").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(st.st_size, 0);

  if (::geteuid() == 0) {
    ASSERT_EQ(::chown((dir / "vorex.log").c_str(), kNobody, kNobody), 0);
    DiagnosticLog log;
    log.Open(h.platform, dir / "vorex.log");
    EXPECT_FALSE(log.IsOpen());
    EXPECT_EQ(log.Refusal(),
              "Log off: " + dir / "vorex.log" + ": it belongs to another user in a folder that others may write");
  }
}

// A user who may read root's installation folder can flock it; a run with rights does not wait
// for that, yet two such runs still exclude each other.
TEST(PosixAuthority, APrivateLockIsNotHeldUpByAUsersFlock) {
  if (::geteuid() != 0 || ::access("/run", W_OK) != 0) GTEST_SKIP() << "needs root and /run";
  TempDir dir;
  Spit(dir / "pathdef.m", "p\n");
  int userFd = ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(userFd, 0);
  ASSERT_EQ(::flock(userFd, LOCK_EX | LOCK_NB), 0);  // held "by the user"
  PosixFileSystem posix;
  auto folder = posix.OpenFolder(dir, false);
  ASSERT_TRUE(folder);
  EXPECT_EQ(folder->Lock(LockKind::kShared, std::chrono::milliseconds(20)), nullptr);
  auto first = folder->Lock(LockKind::kPrivate, std::chrono::milliseconds(20));
  EXPECT_NE(first, nullptr);
  EXPECT_EQ(folder->Lock(LockKind::kPrivate, std::chrono::milliseconds(20)), nullptr);
  first.reset();
  EXPECT_NE(folder->Lock(LockKind::kPrivate, std::chrono::milliseconds(20)), nullptr);
  ::close(userFd);
  // Each lock file goes with its lock: none is left behind for the folder.
  struct stat st {};
  ASSERT_EQ(::stat(dir.path().c_str(), &st), 0);
  std::string lockFile = "/run/vorex/" + std::to_string(st.st_dev) + "-" + std::to_string(st.st_ino) + ".lock";
  EXPECT_FALSE(fs::exists(lockFile));
}

}  // namespace
}  // namespace vorex

namespace vorex {
namespace {

// Written as another user, a new file (unnamed until complete where the system allows it) gets
// its name whole, however the system lets it be named, and is that user's.
TEST(PosixAuthority, ANewFileWrittenAsAUserArrivesWhole) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root";
  TempDir dir;
  ASSERT_EQ(::chown(dir.path().c_str(), kNobody, kNobody), 0);
  PosixFileSystem posix;
  PosixIdentity identity;
  std::string text(200000, 'x');
  {
    std::unique_ptr<ActingIdentity> guard;
    ASSERT_EQ(identity.ActAs(kNobodyAccount, &guard), FsStatus::kOk);
    auto folder = posix.OpenFolder(dir, false);
    ASSERT_TRUE(folder);
    auto file = folder->CreateNew("pathdef.new", "");
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(file->Write(text));
    ASSERT_TRUE(file->Close()) << posix.LastError();
    EXPECT_EQ(folder->CreateNew("pathdef.new", ""), nullptr);  // the name is taken now
  }
  EXPECT_EQ(Slurp(dir / "pathdef.new"), text);
  struct stat st {};
  ASSERT_EQ(::stat((dir / "pathdef.new").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, kNobody);
}

}  // namespace
}  // namespace vorex

namespace vorex {
namespace {

// Once a file's place is open, exchanging any folder above it (or the folder itself) with a
// decoy changes nothing about which file is read, written, backed up and replaced, nor the owner
// and mode the new file gets: every step goes through the folder as it was opened.
TEST(PosixAuthority, AnOpenPlaceIsNotMovedByASwapAbove) {
  enum class Kind { kRunner, kOwn, kShared };
  for (Kind kind : {Kind::kRunner, Kind::kOwn, Kind::kShared}) {
    if (kind != Kind::kRunner && ::geteuid() != 0) continue;
    for (const char* level : {"a", "a/b", "a/b/local"}) {
      SCOPED_TRACE(std::string(level) + " kind " + std::to_string(static_cast<int>(kind)));
      TempDir dir;
      fs::create_directories(dir / "a/b/local");
      fs::create_directories(dir / "x/b/local");
      Spit(dir / "a/b/local/pathdef.m", "real\n");
      Spit(dir / "x/b/local/pathdef.m", "decoy\n");
      ::chmod((dir / "a/b/local/pathdef.m").c_str(), 0640);
      ::chmod((dir / "x/b/local/pathdef.m").c_str(), 0604);
      if (::geteuid() == 0) {
        ASSERT_EQ(::chown((dir / "a/b/local/pathdef.m").c_str(), kNobody, kNobody), 0);
      }
      if (kind == Kind::kShared) ::chmod((dir / "a").c_str(), 0777);
      PosixEditHarness h;
      h.platform.withRights = kind != Kind::kRunner;
      std::string swapped = std::string("x") + (std::string(level).substr(1));
      Outcome outcome = h.Edit(dir / "a/b/local/pathdef.m", [&](std::string_view text, std::string* out, std::string*) {
        EXPECT_EQ(::renameat2(AT_FDCWD, (dir / level).c_str(), AT_FDCWD, (dir / swapped).c_str(), RENAME_EXCHANGE), 0);
        *out = std::string(text) + "edited\n";
        return true;
      });
      ASSERT_EQ(outcome, Outcome::kChanged) << (h.problems.empty() ? "" : h.problems[0]);
      // The real folder now stands where the decoy was.
      std::string real = dir / "x/b/local", decoy = dir / "a/b/local";
      EXPECT_EQ(Slurp(real + "/pathdef.m"), "real\nedited\n");
      EXPECT_EQ(Slurp(real + "/pathdef.bak"), "real\n");
      EXPECT_EQ(Slurp(decoy + "/pathdef.m"), "decoy\n");
      EXPECT_FALSE(fs::exists(decoy + "/pathdef.bak"));
      EXPECT_FALSE(fs::exists(decoy + "/pathdef.new"));
      EXPECT_FALSE(fs::exists(real + "/pathdef.new"));
      struct stat st {};
      ASSERT_EQ(::stat((real + "/pathdef.m").c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 07777, 0640u);
      if (::geteuid() == 0) {
        EXPECT_EQ(st.st_uid, kNobody);
      }
    }
  }
}

}  // namespace
}  // namespace vorex

namespace vorex {
namespace {

// Many runs taking the private lock of one folder at once, while each holder removes the file
// as it lets go: never two holders at a time.
TEST(PosixAuthority, PrivateLocksThatAreRemovedStillExcludeEachOther) {
  if (::geteuid() != 0 || ::access("/run", W_OK) != 0) GTEST_SKIP() << "needs root and /run";
  TempDir dir;
  // The folder's own lock is held all along, so that only the private files can keep the runs
  // apart.
  int userFd = ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_EQ(::flock(userFd, LOCK_EX | LOCK_NB), 0);
  std::atomic<int> holders{0}, taken{0};
  std::atomic<bool> overlap{false};
  std::vector<std::thread> runs;
  for (int i = 0; i < 6; ++i) {
    runs.emplace_back([&] {
      PosixFileSystem posix;
      auto folder = posix.OpenFolder(dir, false);
      for (int round = 0; round < 5; ++round) {
        auto lock = folder->Lock(LockKind::kPrivate, std::chrono::milliseconds(40));
        if (!lock) continue;
        ++taken;
        if (++holders > 1) overlap = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        --holders;
      }
    });
  }
  for (std::thread& run : runs) run.join();
  ::close(userFd);
  EXPECT_FALSE(overlap);
  EXPECT_GT(taken.load(), 3);
}

}  // namespace
}  // namespace vorex

namespace vorex {
namespace {

// An access list that lets a named user or group write counts as the group's write bit does; a
// mask without write covers them all.
TEST(PosixAuthority, AnAccessListThatLetsOthersWriteCounts) {
  if (::geteuid() != 0 || std::system("command -v setfacl >/dev/null") != 0) GTEST_SKIP() << "needs root and setfacl";
  TempDir dir;
  struct Case {
    const char* name;
    const char* acl;
    bool others;
  } cases[] = {
      {"named user", "u:nobody:rwx", true},
      {"named group", "g:nogroup:rwx", true},
      {"named user, mask without write", "u:nobody:rwx,m::rx", false},
      {"named user, read only", "u:nobody:rx", false},
      {"root named", "u:root:rwx", false},
  };
  PosixFileSystem posix;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string d = dir / c.name;
    fs::create_directory(d);
    ::chmod(d.c_str(), 0755);
    if (std::system(("setfacl -m " + std::string(c.acl) + " '" + d + "'").c_str()) != 0) GTEST_SKIP() << "no ACLs here";
    EntryInfo info;
    ASSERT_TRUE(posix.Describe(d, &info));
    EXPECT_EQ(info.othersMayAdd, c.others);
    EXPECT_EQ(info.othersMaySwap, c.others);
    auto folder = posix.OpenFolder(d, false);
    ASSERT_TRUE(folder);
    ASSERT_TRUE(folder->Describe(".", &info));
    EXPECT_EQ(info.othersMaySwap, c.others);
  }
}

}  // namespace
}  // namespace vorex
