// The Windows implementation against the real thing (under Wine in CI): registry, disks and the
// replacement of pathdef.m.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "discovery/discovery.h"
#include "discovery/registry_key.h"
#include "pathdef/edit_passes.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/windows_api.h"
#include "support/temp_dir.h"
#include "support/worker_end_check.h"
#include "ui/win32/win32_silent_window.h"

namespace vorex {
namespace {

using testing::TempDir;

std::string Read(Win32FileSystem& fs, const std::string& path) {
  std::string text;
  fs.ReadFile(path, &text);
  return text;
}

void Write(Win32FileSystem& fs, const std::string& path, const std::string& text) {
  auto file = fs.CreateForWrite(path);
  ASSERT_TRUE(file);
  ASSERT_TRUE(file->Write(text));
  ASSERT_TRUE(file->Close());
}

TEST(Win32FileSystemTest, ReplacementKeepsOneBackup) {
  Win32FileSystem fs;
  TempDir dir;
  std::string path = dir / "pathdef.m";
  Write(fs, path, "old\r\n");
  Write(fs, dir / "pathdef.bak", "older\r\n");
  Write(fs, dir / "pathdef.new", "new\r\n");
  StringList none;
  DiagnosticLog log;
  ASSERT_TRUE(RotatePathdefFiles({none, none, fs, log, PathRules::Windows()}, path, dir / "pathdef.new"));
  EXPECT_EQ(Read(fs, path), "new\r\n");
  EXPECT_EQ(Read(fs, dir / "pathdef.bak"), "old\r\n");
  EXPECT_FALSE(fs.Exists(dir / "pathdef.new"));
}

TEST(Win32FileSystemTest, ReadOnlyPathdefCanBeEditedAgainAndAgain) {
  Win32FileSystem fs;
  TempDir dir;
  std::string path = dir / "pathdef.m";
  Write(fs, path, "p = [...\r\n%%% END ENTRIES %%%\r\n];\r\n");
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
  StringList commands{"ADD"}, paths{"C:\\a"};
  DiagnosticLog log;
  ASSERT_EQ(AddPathEntries({commands, paths, fs, log, PathRules::Windows()}, {path}), 1);
  paths = {"C:\\b"};
  ASSERT_EQ(AddPathEntries({commands, paths, fs, log, PathRules::Windows()}, {path}), 1);
  EXPECT_EQ(Read(fs, path), "p = [...\r\n\t';c:\\a;',...\r\n\t'c:\\b;',...\r\n%%% END ENTRIES %%%\r\n];\r\n");
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  SetFileAttributesA((dir / "pathdef.bak").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// The backup left by an edit of a read-only pathdef.m is read-only too; the next edit must be
// able to remove it, as unlink would on POSIX.
TEST(Win32FileSystemTest, RemoveDeletesReadOnlyFiles) {
  Win32FileSystem fs;
  TempDir dir;
  std::string path = dir / "pathdef.bak";
  Write(fs, path, "old\r\n");
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(fs.Remove(path));
  EXPECT_FALSE(fs.Exists(path));
  EXPECT_FALSE(fs.Remove(path));  // gone: nothing to remove
}

TEST(Win32FileSystemTest, RenameNeverOverwritesAndListingSeesEntries) {
  Win32FileSystem fs;
  TempDir dir;
  Write(fs, dir / "a", "A");
  Write(fs, dir / "b", "B");
  CreateDirectoryA((dir / "sub").c_str(), nullptr);
  EXPECT_FALSE(fs.Rename(dir / "a", dir / "b"));
  EXPECT_EQ(Read(fs, dir / "b"), "B");
  std::vector<std::string> dirs, files;
  ASSERT_TRUE(fs.ListDirectory(dir, [&](const DirEntry& e) {
    (e.isDirectory ? dirs : files).emplace_back(e.name);
    return true;
  }));
  EXPECT_EQ(dirs, std::vector<std::string>{"sub"});
  EXPECT_EQ(files.size(), 2u);
  EXPECT_FALSE(fs.ListDirectory(dir / "missing", [](const DirEntry&) { return true; }));
}

// The edit lock: a second holder waits, gives up after its timeout with a reason, and gets the
// lock once the first lets go; the lock file goes with its holder.
TEST(Win32FileSystemTest, EditLockExcludesASecondHolder) {
  Win32FileSystem fs;
  TempDir dir;
  std::string path = dir / "pathdef.m";
  Write(fs, path, "x\r\n");
  auto first = fs.LockForEdit(path, std::chrono::milliseconds(0));
  ASSERT_TRUE(first);
  EXPECT_EQ(fs.LockForEdit(path, std::chrono::milliseconds(100)), nullptr);
  EXPECT_EQ(fs.LastError(), "another run held it for more than 100 ms");
  first.reset();
  auto second = fs.LockForEdit(path, std::chrono::milliseconds(2000));
  EXPECT_TRUE(second);
  second.reset();
  EXPECT_FALSE(fs.Exists(dir / "pathdef.lock"));
}

TEST(Win32FileSystemTest, NewFileNeverReplacesAnExistingOneAndDirectoriesAreNotRead) {
  Win32FileSystem fs;
  TempDir dir;
  Write(fs, dir / "pathdef.new", "left\r\n");
  EXPECT_EQ(fs.CreateNew(dir / "pathdef.new"), nullptr);
  EXPECT_FALSE(fs.LastError().empty());
  EXPECT_EQ(Read(fs, dir / "pathdef.new"), "left\r\n");
  std::string text;
  EXPECT_FALSE(fs.ReadFile(dir, &text));
  std::string target;
  ASSERT_TRUE(fs.ResolveLink(dir / "pathdef.new", &target));
  EXPECT_EQ(target, dir / "pathdef.new");
}

TEST(Win32FileSystemTest, CDriveIsFixed) {
  Win32FileSystem fs;
  auto roots = fs.FixedDriveRoots();
  EXPECT_NE(std::find(roots.begin(), roots.end(), "C:\\"), roots.end());
}

TEST(Win32FileSystemTest, AddPassOnRealFiles) {
  Win32FileSystem fs;
  TempDir dir;
  std::string path = dir / "pathdef.m";
  Write(fs, path, "p = [...\r\n     'C:\\a;', ...\r\n%%% END ENTRIES %%%\r\n];\r\n");
  StringList commands{"ADD"}, paths{"D:\\New Tools"};
  DiagnosticLog log;
  ASSERT_EQ(AddPathEntries({commands, paths, fs, log, PathRules::Windows()}, {path}), 1);
  EXPECT_EQ(Read(fs, path),
            "p = [...\r\n     'C:\\a;', ...\r\n\t'd:\\new tools;',...\r\n%%% END ENTRIES %%%\r\n];\r\n");
}

TEST(Win32RegistryTest, LookupThroughTheRealRegistry) {
  Win32Registry reg;
  Win32FileSystem fs;
  TempDir dir;
  std::string root = dir / "M\\";
  CreateDirectoryA((dir / "M").c_str(), nullptr);
  CreateDirectoryA((root + "toolbox").c_str(), nullptr);
  CreateDirectoryA((root + "toolbox\\local").c_str(), nullptr);
  Write(fs, root + "toolbox\\local\\pathdef.m", "%%% END ENTRIES %%%\r\n");

  // Written through the reader's own create-and-write path.
  CRegistryKey classes(reg, kHkeyClassesRoot, "", kKeyReadWrite);
  std::string clsid = "{0F1E2D3C-1111-2222-3333-444455556666}";
  std::string server = root + "bin\\win64\\server.exe /Automation";
  std::uint8_t buf[512] = {};
  std::uint32_t size = sizeof buf;
  ASSERT_EQ(classes.QueryValue("MATLAB.APPLICATION\\CLSID\\", buf, &size,
                               reinterpret_cast<const std::uint8_t*>(clsid.c_str()),
                               static_cast<std::uint32_t>(clsid.size() + 1), kRegSz, true),
            kErrorSuccess);
  size = sizeof buf;
  ASSERT_EQ(classes.QueryValue("CLSID\\" + clsid + "\\LocalServer32\\", buf, &size,
                               reinterpret_cast<const std::uint8_t*>(server.c_str()),
                               static_cast<std::uint32_t>(server.size() + 1), kRegSz, true),
            kErrorSuccess);

  StringList found;
  EXPECT_EQ(FindPathdefInRegistry(reg, fs, PathRules::Windows(), found), 1);
  EXPECT_EQ(found, StringList{root + "toolbox\\local\\pathdef.m"});

  RegDeleteKeyA(HKEY_CLASSES_ROOT, ("CLSID\\" + clsid + "\\LocalServer32").c_str());
  RegDeleteKeyA(HKEY_CLASSES_ROOT, ("CLSID\\" + clsid).c_str());
  RegDeleteKeyA(HKEY_CLASSES_ROOT, "MATLAB.APPLICATION\\CLSID");
  RegDeleteKeyA(HKEY_CLASSES_ROOT, "MATLAB.APPLICATION");
  found.clear();
  EXPECT_EQ(FindPathdefInRegistry(reg, fs, PathRules::Windows(), found), 0);
}

TEST(Win32RegistryTest, MissingKeyAndTooSmallBuffer) {
  Win32Registry reg;
  CRegistryKey missing(reg, kHkeyClassesRoot, "vorex-no-such-key", kKeyReadWrite);
  std::uint8_t buf[4] = {};
  std::uint32_t size = sizeof buf;
  EXPECT_EQ(missing.QueryValue("x", buf, &size, nullptr, 0, kRegSz, false), kErrorFileNotFound);

  RegHandle key = 0;
  ASSERT_EQ(reg.CreateKey(kHkeyClassesRoot, "vorex-test-key", kKeyReadWrite, &key), kErrorSuccess);
  const char value[] = "a longer value";
  ASSERT_EQ(reg.SetValue(key, "", kRegSz, reinterpret_cast<const std::uint8_t*>(value), sizeof value), kErrorSuccess);
  size = sizeof buf;
  EXPECT_EQ(reg.QueryValue(key, "", nullptr, buf, &size), kErrorMoreData);
  reg.CloseKey(key);
  RegDeleteKeyA(HKEY_CLASSES_ROOT, "vorex-test-key");
}

TEST(Win32WindowTest, WorkerEndTicksTheTimersAtOnce) {
  Win32SilentWindow window(GetModuleHandleA(nullptr), nullptr);
  testing::ExpectWorkerEndTicksTheTimersAtOnce(window);
}

}  // namespace
}  // namespace vorex
