// The POSIX stand-in for the registry: launchers on PATH and the standard installation roots.
#include "platform/posix/launcher_registration.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "discovery/discovery.h"
#include "platform/posix/posix_file_system.h"
#include "support/temp_dir.h"

namespace vorex {
namespace {

using testing::TempDir;

void Launcher(const std::string& path) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path) << "#!/bin/sh\n";
  ::chmod(path.c_str(), 0755);
}

TEST(InstallationRegistrationTest, LaunchersOnPathAndStandardRootsAreAllFound) {
  TempDir t;
  t.File("usr-local/R2023b/toolbox/local/pathdef.m");
  t.File("opt/R2024a/toolbox/local/pathdef.m");
  t.Dir("opt/R2022a/toolbox");  // no pathdef.m: not an installation
  t.File("custom/M/toolbox/local/pathdef.m");
  Launcher(t / "custom/M/bin/matlab");
  // Two PATH entries that lead to the same launcher count once.
  std::filesystem::create_directories(t / "links");
  std::filesystem::create_symlink(t / "custom/M/bin/matlab", t / "links/matlab");
  MemoryRegistry reg;
  int count = RegisterInstallations(reg, t / "links:" + t / "custom/M/bin:" + t / "nowhere",
                                    {t / "usr-local", t / "opt", t / "missing"});
  EXPECT_EQ(count, 3);
  PosixFileSystem fs({t.path()});
  StringList found;
  ASSERT_EQ(FindPathdefInRegistry(reg, fs, PathRules::Posix(), found), 1);
  // The launcher's installation first (the automation server's place), then the others.
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found[0], t / "custom/M/toolbox/local/pathdef.m");
  EXPECT_EQ((StringList{found[1], found[2]}),
            (StringList{t / "opt/R2024a/toolbox/local/pathdef.m", t / "usr-local/R2023b/toolbox/local/pathdef.m"}));
}

TEST(InstallationRegistrationTest, NothingRegisteredWithoutInstallations) {
  TempDir t;
  MemoryRegistry reg;
  EXPECT_EQ(RegisterInstallations(reg, t / "bin", {t / "none"}), 0);
  PosixFileSystem fs({t.path()});
  StringList found;
  EXPECT_EQ(FindPathdefInRegistry(reg, fs, PathRules::Posix(), found), 0);
}

}  // namespace
}  // namespace vorex

namespace vorex {
namespace {

// With rights, a PATH entry that depends on the current directory is nobody's to trust.
TEST(InstallationRegistrationTest, WithRightsOnlyAbsolutePathEntriesCount) {
  TempDir t;
  t.File("M/toolbox/local/pathdef.m");
  Launcher(t / "M/bin/matlab");
  std::string cwd = std::filesystem::current_path();
  std::filesystem::current_path(t.path());
  MemoryRegistry plain, guarded;
  int withoutRights = RegisterInstallations(plain, "M/bin", {}, false);
  int withRights = RegisterInstallations(guarded, "M/bin::" + std::string("./M/bin"), {}, true);
  std::filesystem::current_path(cwd);
  EXPECT_EQ(withoutRights, 1);
  EXPECT_EQ(withRights, 0);
}

}  // namespace
}  // namespace vorex

namespace vorex {
namespace {

// Only a launcher in a folder named bin names an installation: "bin" inside another name does not.
TEST(InstallationRegistrationTest, OnlyABinFolderNamesAnInstallation) {
  TempDir t;
  t.File("x/ca/toolbox/local/pathdef.m");
  t.File("x/toolbox/local/pathdef.m");
  Launcher(t / "x/cabinet/matlab");
  Launcher(t / "y/bin/tools/matlab");
  MemoryRegistry reg;
  EXPECT_EQ(RegisterInstallations(reg, t / "x/cabinet:" + t / "y/bin/tools", {}), 0);
  PosixFileSystem fs({t.path()});
  StringList found;
  EXPECT_EQ(FindPathdefInRegistry(reg, fs, PathRules::Posix(), found), 0);
}

}  // namespace
}  // namespace vorex
