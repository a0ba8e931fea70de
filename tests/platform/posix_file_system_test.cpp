#include "platform/posix/posix_file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "log/diagnostic_log.h"
#include "platform/posix/mount_table.h"
#include "support/files.h"
#include "support/posix_edit.h"
#include "support/temp_dir.h"

namespace vorex {
namespace {

namespace fs = std::filesystem;

using testing::PosixEditHarness;
using testing::TempDir;

using testing::Slurp;
using testing::Spit;

TEST(PosixFileSystemTest, LogDoesNotFollowAPlantedLink) {
  TempDir dir;
  Spit(dir / "victim", "precious\n");
  fs::create_symlink(dir / "victim", dir / "vorex.log");
  PosixEditHarness h;
  DiagnosticLog log;
  log.Open(h.platform, dir / "vorex.log");
  EXPECT_FALSE(log.IsOpen());
  log.WriteLog("line");
  EXPECT_EQ(Slurp(dir / "victim"), "precious\n");
}

TEST(PosixFileSystemTest, LogInUnwritableDirectoryIsSkipped) {
  PosixEditHarness h;
  DiagnosticLog log;
  log.Open(h.platform, "/proc/vorex.log");  // no file can be created there, even as root
  EXPECT_FALSE(log.IsOpen());
}

TEST(PosixFileSystemTest, RenameNeverOverwrites) {
  TempDir dir;
  Spit(dir / "a", "A");
  Spit(dir / "b", "B");
  PosixFileSystem posix;
  auto folder = posix.OpenFolder(dir, false);
  ASSERT_TRUE(folder);
  EXPECT_FALSE(folder->Rename("a", "b"));
  EXPECT_EQ(Slurp(dir / "a"), "A");
  EXPECT_EQ(Slurp(dir / "b"), "B");
  EXPECT_TRUE(folder->Rename("a", "c"));
  EXPECT_FALSE(fs::exists(dir / "a"));
  EXPECT_EQ(Slurp(dir / "c"), "A");
}

TEST(PosixFileSystemTest, ReplacementKeepsModeAndBackup) {
  TempDir dir;
  std::string path = dir / "pathdef.m";
  Spit(path, "old\n");
  ::chmod(path.c_str(), 0640);
  PosixEditHarness h;
  EXPECT_EQ(h.Edit(path,
                   [](std::string_view, std::string* out, std::string*) {
                     *out = "new\n";
                     return true;
                   }),
            Outcome::kChanged);
  EXPECT_EQ(Slurp(path), "new\n");
  EXPECT_EQ(Slurp(dir / "pathdef.bak"), "old\n");
  EXPECT_FALSE(fs::exists(dir / "pathdef.new"));
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(PosixFileSystemTest, NewFileIsNotWrittenThroughALink) {
  TempDir dir;
  Spit(dir / "elsewhere", "keep\n");
  fs::create_symlink(dir / "elsewhere", dir / "pathdef.new");
  PosixFileSystem posix;
  auto folder = posix.OpenFolder(dir, false);
  ASSERT_TRUE(folder);
  EXPECT_EQ(folder->CreateNew("pathdef.new", ""), nullptr);
  EXPECT_EQ(Slurp(dir / "elsewhere"), "keep\n");
}

// A FIFO under any of the names is refused at once, never waited on.
TEST(PosixFileSystemTest, FifosAreRefusedWithoutBlocking) {
  TempDir dir;
  std::string fifo = dir / "pathdef.m";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  PosixFileSystem posix;
  auto folder = posix.OpenFolder(dir, false);
  ASSERT_TRUE(folder);
  std::string text;
  EXPECT_FALSE(folder->Read("pathdef.m", &text));
  EXPECT_EQ(posix.LastError(), "not a regular file");
  EXPECT_EQ(folder->CreateNew("pathdef.m", ""), nullptr);
  EXPECT_EQ(posix.OpenLog(fifo, false, false), nullptr);
}

TEST(PosixFileSystemTest, LinksResolveToTheirTarget) {
  TempDir dir;
  std::string target = dir.File("shared/common.m");
  fs::create_directories(dir / "i");
  fs::create_symlink(target, dir / "i/pathdef.m");
  fs::create_symlink(dir / "missing", dir / "i/dangling.m");
  PosixFileSystem posix;
  std::string resolved;
  ASSERT_TRUE(posix.RealPath(dir / "i/pathdef.m", &resolved));
  EXPECT_EQ(resolved, fs::canonical(target).string());
  EXPECT_FALSE(posix.RealPath(dir / "i/dangling.m", &resolved));
  EXPECT_EQ(posix.LastError(), "the link leads nowhere");
}

// A second editor waits for the first, then reads what the first one wrote; past its timeout
// it gives up with a reason.
TEST(PosixFileSystemTest, SecondEditWaitsForTheLockAndEditsTheFirstResult) {
  TempDir dir;
  std::string path = dir / "toolbox/local/pathdef.m";
  fs::create_directories(dir / "toolbox/local");
  Spit(path, "p = [...\n'/a:', ...\n%%% END ENTRIES %%%\n];\n");
  PosixFileSystem posix;
  // The lock another run takes: root (as the tests often are) locks root's own places privately.
  auto folder = posix.OpenFolder(dir / "toolbox/local", false);
  auto held = folder->Lock(LockKind::kPrivate, std::chrono::milliseconds(0));
  ASSERT_TRUE(held);

  PosixEditHarness shortWait;
  shortWait.platform.withRights = ::geteuid() == 0;
  shortWait.platform.lockWait = std::chrono::milliseconds(50);
  EXPECT_EQ(shortWait.Add(path, "/b"), 0);
  ASSERT_EQ(shortWait.problems.size(), 1u);
  EXPECT_EQ(shortWait.problems[0], "Failed: lock " + path + ": another run held it for more than 50 ms");

  std::atomic<int> result{-1};
  PosixEditHarness waiting;
  waiting.platform.withRights = ::geteuid() == 0;
  std::thread second([&] { result = waiting.Add(path, "/b"); });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(result, -1);  // still waiting
  // What the first editor writes while it holds the lock.
  Spit(path, "p = [...\n'/a:', ...\n\t'/first:',...\n%%% END ENTRIES %%%\n];\n");
  held.reset();
  second.join();
  EXPECT_EQ(result, 1);
  EXPECT_EQ(Slurp(path), "p = [...\n'/a:', ...\n\t'/first:',...\n\t'/b:',...\n%%% END ENTRIES %%%\n];\n");
}

TEST(PosixFileSystemTest, MountTableGivesLocalDisksOnly) {
  MountTable table = ParseMountInfo(
      "21 26 0:20 / /proc rw - proc proc rw\n"
      "26 1 254:0 / / rw - ext4 /dev/vda rw\n"
      "27 26 254:1 / /data\\040disk rw - xfs /dev/vdb rw\n"
      "28 26 0:24 / /tmp rw - tmpfs tmpfs rw\n"
      "29 26 8:17 / /media/usb rw - vfat /dev/sdb1 rw\n"
      "30 26 0:40 / /net rw - nfs host:/x rw\n");
  EXPECT_EQ(table.fixedRoots, (std::vector<std::string>{"/", "/data disk"}));
  EXPECT_EQ(table.allMountPoints.count("/proc"), 1u);
  EXPECT_EQ(table.allMountPoints.count("/data disk"), 1u);
}

}  // namespace
}  // namespace vorex
