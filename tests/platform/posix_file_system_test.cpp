#include "platform/posix/posix_file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "log/diagnostic_log.h"
#include "pathdef/edit_passes.h"
#include "support/temp_dir.h"

namespace vorex {
namespace {

namespace fs = std::filesystem;

using testing::TempDir;

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void Spit(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

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
