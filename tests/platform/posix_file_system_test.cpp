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
#include "pathdef/edit_passes.h"
#include "platform/posix/mount_table.h"
#include "support/files.h"
#include "support/temp_dir.h"

namespace vorex {
namespace {

namespace fs = std::filesystem;

using testing::TempDir;

using testing::Slurp;
using testing::Spit;

TEST(PosixFileSystemTest, LogDoesNotFollowAPlantedLink) {
  TempDir dir;
  Spit(dir / "victim", "precious\n");
  fs::create_symlink(dir / "victim", dir / "vorex.log");
  PosixFileSystem posix;
  DiagnosticLog log;
  log.Open(posix, dir / "vorex.log", false);
  EXPECT_FALSE(log.IsOpen());
  log.WriteLog("line");
  EXPECT_EQ(Slurp(dir / "victim"), "precious\n");
}

TEST(PosixFileSystemTest, LogInUnwritableDirectoryIsSkipped) {
  PosixFileSystem posix;
  DiagnosticLog log;
  log.Open(posix, "/proc/vorex.log", false);  // no file can be created there, even as root
  EXPECT_FALSE(log.IsOpen());
}

TEST(PosixFileSystemTest, RenameNeverOverwrites) {
  TempDir dir;
  Spit(dir / "a", "A");
  Spit(dir / "b", "B");
  PosixFileSystem posix;
  EXPECT_FALSE(posix.Rename(dir / "a", dir / "b"));
  EXPECT_EQ(Slurp(dir / "a"), "A");
  EXPECT_EQ(Slurp(dir / "b"), "B");
  EXPECT_TRUE(posix.Rename(dir / "a", dir / "c"));
  EXPECT_FALSE(fs::exists(dir / "a"));
  EXPECT_EQ(Slurp(dir / "c"), "A");
}

TEST(PosixFileSystemTest, ReplacementKeepsModeAndBackup) {
  TempDir dir;
  std::string path = dir / "pathdef.m";
  Spit(path, "old\n");
  ::chmod(path.c_str(), 0640);
  PosixFileSystem posix;
  auto file = posix.CreateForWrite(dir / "pathdef.new");
  ASSERT_TRUE(file);
  ASSERT_TRUE(file->Write("new\n"));
  ASSERT_TRUE(file->Close());
  posix.CopyPermissions(path, dir / "pathdef.new");
  StringList none;
  DiagnosticLog log;
  ASSERT_TRUE(RotatePathdefFiles({none, none, posix, log, PathRules::Posix()}, path, dir / "pathdef.new"));
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
  EXPECT_EQ(posix.CreateForWrite(dir / "pathdef.new"), nullptr);
  EXPECT_EQ(Slurp(dir / "elsewhere"), "keep\n");
}

// A FIFO under any of the names is refused at once, never waited on.
TEST(PosixFileSystemTest, FifosAreRefusedWithoutBlocking) {
  TempDir dir;
  std::string fifo = dir / "pathdef.m";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  PosixFileSystem posix;
  std::string text;
  EXPECT_FALSE(posix.ReadFile(fifo, &text));
  EXPECT_EQ(posix.LastError(), "not a regular file");
  EXPECT_EQ(posix.CreateForWrite(fifo), nullptr);
  EXPECT_EQ(posix.CreateNew(fifo), nullptr);
}

TEST(PosixFileSystemTest, LinksResolveToTheirTarget) {
  TempDir dir;
  std::string target = dir.File("shared/common.m");
  fs::create_directories(dir / "i");
  fs::create_symlink(target, dir / "i/pathdef.m");
  fs::create_symlink(dir / "missing", dir / "i/dangling.m");
  PosixFileSystem posix;
  std::string resolved;
  ASSERT_TRUE(posix.ResolveLink(dir / "i/pathdef.m", &resolved));
  EXPECT_EQ(resolved, fs::canonical(target).string());
  ASSERT_TRUE(posix.ResolveLink(target, &resolved));
  EXPECT_EQ(resolved, target);
  EXPECT_FALSE(posix.ResolveLink(dir / "i/dangling.m", &resolved));
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
  auto held = posix.LockPrivately(path, std::chrono::milliseconds(0));
  ASSERT_TRUE(held);

  StringList commands{"ADD"}, paths{"/b"};
  DiagnosticLog log;
  StringList problems;
  EditContext shortWait{commands, paths, posix, log, PathRules::Posix(), &problems, std::chrono::milliseconds(50)};
  EXPECT_EQ(AddPathEntries(shortWait, {path}), 0);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0], "Failed: lock " + path + ": another run held it for more than 50 ms");

  std::atomic<int> result{-1};
  std::thread second([&] { result = AddPathEntries({commands, paths, posix, log, PathRules::Posix()}, {path}); });
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
