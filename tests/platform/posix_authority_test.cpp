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

#include "log/diagnostic_log.h"
#include "platform/posix/posix_file_system.h"
#include "support/files.h"
#include "support/temp_dir.h"

namespace vorex {
namespace {

namespace fs = std::filesystem;
using testing::Slurp;
using testing::Spit;
using testing::TempDir;

constexpr unsigned long long kNobody = 65534;

bool CanCreate(const std::string& path) {
  PosixFileSystem posix;
  auto file = posix.CreateNew(path);
  if (!file) return false;
  file->Close();
  ::unlink(path.c_str());
  return true;
}

TEST(PosixAuthority, ActingAsAUserIsRefusedWhatTheUserMayNotDoOnThisThreadOnly) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root";
  TempDir dir;
  ::chmod(dir.path().c_str(), 0755);
  PosixFileSystem posix;
  EntryOwner nobody;
  nobody.userId = kNobody;
  nobody.groupId = kNobody;
  nobody.userName = "nobody";
  // A thread that exists before the switch (a new one would inherit this thread's identity).
  std::atomic<int> step{0};
  bool otherThread = false;
  std::thread other([&] {
    while (step != 1) std::this_thread::yield();
    otherThread = CanCreate(dir / "other-thread");
    step = 2;
  });
  {
    std::unique_ptr<ActingIdentity> guard;
    ASSERT_EQ(posix.ActAs(nobody, &guard), FsStatus::kOk);
    EXPECT_FALSE(CanCreate(dir / "as-nobody"));
    EXPECT_EQ(posix.LastError(), "Permission denied");
    step = 1;
    while (step != 2) std::this_thread::yield();
  }
  other.join();
  EXPECT_TRUE(otherThread);
  EXPECT_TRUE(CanCreate(dir / "after"));
}

TEST(PosixAuthority, APinnedFolderIsTheOneOpenedWhateverIsSwappedInLater) {
  TempDir dir;
  fs::create_directories(dir / "real");
  fs::create_directories(dir / "decoy");
  Spit(dir / "real/pathdef.m", "real\n");
  Spit(dir / "decoy/pathdef.m", "decoy\n");
  PosixFileSystem posix;
  std::string folder = dir / "place";
  fs::rename(dir / "real", folder);
  {
    auto pin = posix.PinFolder(folder);
    ASSERT_NE(pin, nullptr);
    // The folder is swapped for a link to another one after it was pinned.
    fs::rename(folder, dir / "moved");
    fs::create_directory_symlink(dir / "decoy", folder);
    std::string text;
    ASSERT_TRUE(posix.ReadFile(folder + "/pathdef.m", &text));
    EXPECT_EQ(text, "real\n");
    auto file = posix.CreateNew(folder + "/pathdef.new");
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(file->Write("new\n"));
    ASSERT_TRUE(file->Close());
    ASSERT_TRUE(posix.RenameOver(folder + "/pathdef.new", folder + "/pathdef.m"));
    auto lock = posix.LockForEdit(folder + "/pathdef.m", std::chrono::milliseconds(100));
    EXPECT_NE(lock, nullptr);
  }
  EXPECT_EQ(Slurp(dir / "moved/pathdef.m"), "new\n");
  EXPECT_EQ(Slurp(dir / "decoy/pathdef.m"), "decoy\n");
  EXPECT_FALSE(fs::exists(dir / "decoy/pathdef.new"));
  // Unpinned, the path is the path again.
  std::string text;
  ASSERT_TRUE(posix.ReadFile(folder + "/pathdef.m", &text));
  EXPECT_EQ(text, "decoy\n");
}

TEST(PosixAuthority, InspectTellsOwnersAndWhoElseMayChangeAFolder) {
  TempDir dir;
  PosixFileSystem posix;
  struct Case {
    mode_t mode;
    gid_t group;
    bool others;
  } cases[] = {{0755, 0, false}, {02775, 50, true}, {0775, 0, false}, {01777, 0, false}, {0777, 0, true}};
  for (const Case& c : cases) {
    std::string d = dir / ("d" + std::to_string(c.mode) + "-" + std::to_string(c.group));
    fs::create_directory(d);
    if (::geteuid() == 0) {
      ASSERT_EQ(::chown(d.c_str(), 0, c.group), 0);
    } else if (c.group != 0) {
      continue;
    }
    ::chmod(d.c_str(), c.mode);
    EntryOwner owner;
    ASSERT_TRUE(posix.InspectEntry(d, &owner));
    EXPECT_TRUE(owner.isDirectory);
    EXPECT_TRUE(owner.privileged);
    EXPECT_EQ(owner.writableByOthers, c.others) << std::oct << c.mode;
  }
  fs::create_symlink("/", dir / "link");
  EntryOwner link;
  ASSERT_TRUE(posix.InspectEntry(dir / "link", &link));
  EXPECT_TRUE(link.isLink);
  EXPECT_FALSE(link.isDirectory);
  if (::geteuid() == 0) {
    ASSERT_EQ(::lchown((dir / "link").c_str(), kNobody, kNobody), 0);
    ASSERT_TRUE(posix.InspectEntry(dir / "link", &link));
    EXPECT_FALSE(link.privileged);
    EXPECT_EQ(link.userId, kNobody);
  }
}

// With rights, the log refuses a planted name and is readable by its owner only.
TEST(PosixAuthority, AGuardedLogRefusesPlantedFiles) {
  TempDir dir;
  ::chmod(dir.path().c_str(), 01777);
  PosixFileSystem posix;
  Spit(dir / "target", "precious\n");
  fs::create_hard_link(dir / "target", dir / "vorex.log");
  EXPECT_EQ(posix.CreateLog(dir / "vorex.log", true), nullptr);
  EXPECT_EQ(posix.LastError(), "it has more than one name (a hard link)");
  EXPECT_EQ(Slurp(dir / "target"), "precious\n");

  fs::remove(dir / "vorex.log");
  Spit(dir / "vorex.log", "old\n");
  ::chmod((dir / "vorex.log").c_str(), 0644);
  auto log = posix.CreateLog(dir / "vorex.log", true);
  ASSERT_NE(log, nullptr);
  log->Close();
  struct stat st {};
  ASSERT_EQ(::stat((dir / "vorex.log").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(st.st_size, 0);

  if (::geteuid() == 0) {
    ASSERT_EQ(::chown((dir / "vorex.log").c_str(), kNobody, kNobody), 0);
    EXPECT_EQ(posix.CreateLog(dir / "vorex.log", true), nullptr);
    EXPECT_EQ(posix.LastError(), "it belongs to another user in a folder that others may write");
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
  EXPECT_EQ(posix.LockForEdit(dir / "pathdef.m", std::chrono::milliseconds(20)), nullptr);
  auto first = posix.LockPrivately(dir / "pathdef.m", std::chrono::milliseconds(20));
  EXPECT_NE(first, nullptr);
  EXPECT_EQ(posix.LockPrivately(dir / "pathdef.m", std::chrono::milliseconds(20)), nullptr);
  first.reset();
  EXPECT_NE(posix.LockPrivately(dir / "pathdef.m", std::chrono::milliseconds(20)), nullptr);
  ::close(userFd);
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
  EntryOwner nobody;
  nobody.userId = kNobody;
  nobody.groupId = kNobody;
  std::string text(200000, 'x');
  {
    std::unique_ptr<ActingIdentity> guard;
    ASSERT_EQ(posix.ActAs(nobody, &guard), FsStatus::kOk);
    auto file = posix.CreateNew(dir / "pathdef.new");
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(file->Write(text));
    ASSERT_TRUE(file->Close()) << posix.LastError();
    EXPECT_EQ(posix.CreateNew(dir / "pathdef.new"), nullptr);  // the name is taken now
  }
  EXPECT_EQ(Slurp(dir / "pathdef.new"), text);
  struct stat st {};
  ASSERT_EQ(::stat((dir / "pathdef.new").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, kNobody);
}

}  // namespace
}  // namespace vorex
