// The Windows implementation against the real thing (under Wine in CI): registry, disks and the
// replacement of pathdef.m.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "discovery/discovery.h"
#include "discovery/registry_key.h"
#include "pathdef/commit.h"
#include "pathdef/edit_passes.h"
#include "platform/sleeper.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_station.h"
#include "platform/win32/windows_api.h"

#include <aclapi.h>
#include "support/temp_dir.h"
#include "support/worker_end_check.h"
#include "ui/win32/win32_silent_window.h"

namespace vorex {
namespace {

using testing::TempDir;

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void Write(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Edits on the real disk, as a run does them.
struct Win32Edit {
  Win32FileSystem fs;
  Win32Identity identity;
  Win32Registry registry;
  NoSleeper sleeper;
  PlatformServices platform{registry, fs, identity, sleeper, PathRules::Windows(), "vorex", "", nullptr, nullptr};
  DiagnosticLog log;

  int Add(const std::string& path, const std::string& dir) {
    WriteCommit write(fs);
    FileEditor editor(platform, log, write);
    std::vector<FileEdit> files = EditsOf({{path, FileKind::kInstallation, {}, {}}});
    RunEditPasses({"ADD"}, {dir}, files, editor);
    return files[0].outcome == Outcome::kFailed ? 0 : 1;
  }
  Outcome Replace(const std::string& path, const std::string& text) {
    WriteCommit write(fs);
    FileEditor editor(platform, log, write);
    std::vector<FileEdit> files = EditsOf({{path, FileKind::kInstallation, {}, {}}});
    return editor.Edit(files[0], [&](std::string_view, std::string* out, std::string*) {
      *out = text;
      return true;
    });
  }
};

TEST(Win32FileSystemTest, ReplacementKeepsOneBackup) {
  TempDir dir;
  std::string path = dir / "pathdef.m";
  Write(path, "old\r\n");
  Write(dir / "pathdef.bak", "older\r\n");
  Write(dir / "pathdef.new", "left over\r\n");
  Win32Edit edit;
  ASSERT_EQ(edit.Replace(path, "new\r\n"), Outcome::kChanged);
  EXPECT_EQ(Read(path), "new\r\n");
  EXPECT_EQ(Read(dir / "pathdef.bak"), "old\r\n");
  EXPECT_FALSE(Exists(dir / "pathdef.new"));
}

// A read-only pathdef.m is edited, and stays read-only; so does its backup, the old file, which
// the next edit replaces all the same.
TEST(Win32FileSystemTest, ReadOnlyPathdefCanBeEditedAgainAndAgain) {
  TempDir dir;
  std::string path = dir / "pathdef.m";
  Write(path, "p = [...\r\n%%% END ENTRIES %%%\r\n];\r\n");
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  Win32Edit edit;
  ASSERT_EQ(edit.Add(path, "C:\\a"), 1);
  ASSERT_EQ(edit.Add(path, "C:\\b"), 1);
  EXPECT_EQ(Read(path), "p = [...\r\n\t';c:\\a;',...\r\n\t'c:\\b;',...\r\n%%% END ENTRIES %%%\r\n];\r\n");
  for (const std::string& file : {path, dir / "pathdef.bak"}) {
    DWORD attributes = GetFileAttributesA(file.c_str());
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_READONLY) << file;
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN) << file;
  }
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  SetFileAttributesA((dir / "pathdef.bak").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// The backup left by an edit of a read-only pathdef.m is read-only too; the next edit must be
// able to remove it, as unlink would on POSIX.
TEST(Win32FileSystemTest, RemoveDeletesReadOnlyFiles) {
  Win32FileSystem fs;
  TempDir dir;
  Write(dir / "pathdef.bak", "old\r\n");
  SetFileAttributesA((dir / "pathdef.bak").c_str(), FILE_ATTRIBUTE_READONLY);
  auto folder = fs.OpenFolder(dir, false);
  ASSERT_TRUE(folder);
  EXPECT_TRUE(folder->Remove("pathdef.bak"));
  EXPECT_FALSE(Exists(dir / "pathdef.bak"));
  EXPECT_FALSE(folder->Remove("pathdef.bak"));  // gone: nothing to remove
}

TEST(Win32FileSystemTest, RenameNeverOverwritesAndListingSeesEntries) {
  Win32FileSystem fs;
  TempDir dir;
  Write(dir / "a", "A");
  Write(dir / "b", "B");
  CreateDirectoryA((dir / "sub").c_str(), nullptr);
  auto folder = fs.OpenFolder(dir, false);
  ASSERT_TRUE(folder);
  EXPECT_FALSE(folder->Rename("a", "b"));
  EXPECT_EQ(Read(dir / "b"), "B");
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
  auto folder = fs.OpenFolder(dir, false);
  ASSERT_TRUE(folder);
  auto first = folder->Lock(LockKind::kShared, std::chrono::milliseconds(0));
  ASSERT_TRUE(first);
  EXPECT_EQ(folder->Lock(LockKind::kShared, std::chrono::milliseconds(100)), nullptr);
  EXPECT_EQ(fs.LastError(), "another run held it for more than 100 ms");
  first.reset();
  auto second = folder->Lock(LockKind::kPrivate, std::chrono::milliseconds(2000));
  EXPECT_TRUE(second);
  second.reset();
  EXPECT_FALSE(Exists(dir / "pathdef.lock"));
}

TEST(Win32FileSystemTest, NewFileNeverReplacesAnExistingOneAndDirectoriesAreNotRead) {
  Win32FileSystem fs;
  TempDir dir;
  Write(dir / "pathdef.new", "left\r\n");
  CreateDirectoryA((dir / "sub").c_str(), nullptr);
  auto folder = fs.OpenFolder(dir, false);
  ASSERT_TRUE(folder);
  EXPECT_EQ(folder->CreateNew("pathdef.new", ""), nullptr);
  EXPECT_FALSE(fs.LastError().empty());
  EXPECT_EQ(Read(dir / "pathdef.new"), "left\r\n");
  std::string text;
  EXPECT_FALSE(folder->Read("sub", &text));
  EntryInfo info;
  ASSERT_TRUE(fs.Describe(dir / "pathdef.new", &info));
  EXPECT_EQ(info.type, EntryType::kFile);
  EXPECT_EQ(info.names, 1u);
}

// A folder whose access list lets everyone change it counts as one others may change; an entry
// only for what is made inside it does not. (Wine keeps a folder's list as its mode bits, so the
// finer rights, making entries without removing them, are left to Windows itself.)
TEST(Win32FileSystemTest, AnAccessListThatLetsOthersWriteCounts) {
  Win32FileSystem fs;
  TempDir dir;
  struct Case {
    const char* name;
    DWORD mask;
    DWORD flags;
    bool add, swap;
  } cases[] = {
      {"full", GENERIC_ALL, 0, true, true},
      {"inherit only", GENERIC_ALL, INHERIT_ONLY_ACE | OBJECT_INHERIT_ACE, false, false},
      {"read", FILE_LIST_DIRECTORY, 0, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string d = dir / c.name;
    ASSERT_TRUE(CreateDirectoryA(d.c_str(), nullptr));
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    ASSERT_TRUE(AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone));
    DWORD size = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(everyone);
    std::vector<BYTE> buffer(size);
    auto* acl = reinterpret_cast<PACL>(buffer.data());
    ASSERT_TRUE(InitializeAcl(acl, size, ACL_REVISION));
    ASSERT_TRUE(AddAccessAllowedAceEx(acl, ACL_REVISION, c.flags, c.mask, everyone));
    DWORD set = SetNamedSecurityInfoA(const_cast<char*>(d.c_str()), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                      nullptr, acl, nullptr);
    FreeSid(everyone);
    ASSERT_EQ(set, static_cast<DWORD>(ERROR_SUCCESS));
    EntryInfo info;
    ASSERT_TRUE(fs.Describe(d, &info));
    EXPECT_EQ(info.othersMayAdd, c.add);
    EXPECT_EQ(info.othersMaySwap, c.swap);
  }
}

// The read-only attribute is taken off only for the replacement, and every name of the old file
// and the new one has it back afterwards, whether the replacement worked or not.
TEST(Win32FileSystemTest, ReadOnlyComesBackOnEveryPath) {
  Win32FileSystem fs;
  TempDir dir;
  Write(dir / "pathdef.m", "old\r\n");
  SetFileAttributesA((dir / "pathdef.m").c_str(), FILE_ATTRIBUTE_READONLY);
  auto readOnly = [&](const char* name) {
    DWORD attributes = GetFileAttributesA((dir / name).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
  };
  auto folder = fs.OpenFolder(dir, false);
  ASSERT_TRUE(folder);
  ASSERT_EQ(folder->HardLink("pathdef.m", "pathdef.bak"), FsStatus::kOk);
  EXPECT_FALSE(folder->RenameOver("missing.new", "pathdef.m"));  // fails: both names read-only again
  EXPECT_TRUE(readOnly("pathdef.m"));
  EXPECT_TRUE(readOnly("pathdef.bak"));
  EXPECT_EQ(Read(dir / "pathdef.m"), "old\r\n");

  auto file = folder->CreateNew("pathdef.new", "pathdef.m");
  ASSERT_TRUE(file);
  ASSERT_TRUE(file->Write("new\r\n"));
  ASSERT_TRUE(file->Close());
  ASSERT_TRUE(folder->RenameOver("pathdef.new", "pathdef.m"));
  EXPECT_EQ(Read(dir / "pathdef.m"), "new\r\n");
  EXPECT_EQ(Read(dir / "pathdef.bak"), "old\r\n");
  EXPECT_TRUE(readOnly("pathdef.m"));
  EXPECT_TRUE(readOnly("pathdef.bak"));
  EXPECT_TRUE(folder->Remove("pathdef.bak"));  // a read-only backup is replaced all the same
  SetFileAttributesA((dir / "pathdef.m").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Rights an administrator put on pathdef.m (users may write it, so that everyone's path can be
// saved) are the rewritten file's too, not the folder's defaults.
TEST(Win32FileSystemTest, TheFilesOwnAccessListIsKept) {
  TempDir dir;
  std::string path = dir / "pathdef.m";
  Write(path, "p = [...\r\n%%% END ENTRIES %%%\r\n];\r\n");
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  ASSERT_TRUE(AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone));
  EXPLICIT_ACCESSA grant{};
  grant.grfAccessPermissions = FILE_GENERIC_READ | FILE_GENERIC_WRITE;
  grant.grfAccessMode = SET_ACCESS;
  grant.Trustee.TrusteeForm = TRUSTEE_IS_SID;
  grant.Trustee.ptstrName = static_cast<LPSTR>(everyone);
  PACL acl = nullptr;
  ASSERT_EQ(SetEntriesInAclA(1, &grant, nullptr, &acl), static_cast<DWORD>(ERROR_SUCCESS));
  ASSERT_EQ(SetNamedSecurityInfoA(const_cast<char*>(path.c_str()), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                  nullptr, acl, nullptr),
            static_cast<DWORD>(ERROR_SUCCESS));
  LocalFree(acl);
  auto everyoneMayWrite = [&](const std::string& file) {
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoA(file.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr,
                              &descriptor) != ERROR_SUCCESS)
      return false;
    bool found = false;
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
      void* ace = nullptr;
      if (!GetAce(dacl, i, &ace) || static_cast<ACE_HEADER*>(ace)->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
      auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
      found |= EqualSid(&allowed->SidStart, everyone) && (allowed->Mask & FILE_WRITE_DATA);
    }
    LocalFree(descriptor);
    return found;
  };
  ASSERT_TRUE(everyoneMayWrite(path));
  Win32Edit edit;
  ASSERT_EQ(edit.Add(path, "C:\\a"), 1);
  EXPECT_TRUE(everyoneMayWrite(path));
  EXPECT_TRUE(everyoneMayWrite(dir / "pathdef.bak"));
  FreeSid(everyone);
}

TEST(Win32FileSystemTest, CDriveIsFixed) {
  Win32FileSystem fs;
  auto roots = fs.FixedDriveRoots();
  EXPECT_NE(std::find(roots.begin(), roots.end(), "C:\\"), roots.end());
}

TEST(Win32FileSystemTest, AddPassOnRealFiles) {
  TempDir dir;
  std::string path = dir / "pathdef.m";
  Write(path, "p = [...\r\n     'C:\\a;', ...\r\n%%% END ENTRIES %%%\r\n];\r\n");
  Win32Edit edit;
  ASSERT_EQ(edit.Add(path, "D:\\New Tools"), 1);
  EXPECT_EQ(Read(path), "p = [...\r\n     'C:\\a;', ...\r\n\t'd:\\new tools;',...\r\n%%% END ENTRIES %%%\r\n];\r\n");
}

TEST(Win32RegistryTest, LookupThroughTheRealRegistry) {
  Win32Registry reg;
  Win32FileSystem fs;
  TempDir dir;
  std::string root = dir / "M\\";
  CreateDirectoryA((dir / "M").c_str(), nullptr);
  CreateDirectoryA((root + "toolbox").c_str(), nullptr);
  CreateDirectoryA((root + "toolbox\\local").c_str(), nullptr);
  Write(root + "toolbox\\local\\pathdef.m", "%%% END ENTRIES %%%\r\n");

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

// Wine reports every station as interactive: the rule is checked with the flags a service's
// station has.
TEST(Win32StationTest, OnlyAStationNobodySeesIsUnattended) {
  EXPECT_TRUE(UnattendedStation([](DWORD* flags) { return *flags = WSF_VISIBLE, true; }).empty());
  EXPECT_FALSE(UnattendedStation([](DWORD* flags) { return *flags = 0, true; }).empty());
  EXPECT_TRUE(UnattendedStation([](DWORD*) { return false; }).empty());  // cannot tell: as before
  DWORD flags = 0;
  EXPECT_TRUE(ReadProcessStationFlags(&flags));
}

TEST(Win32WindowTest, WorkerEndTicksTheTimersAtOnce) {
  Win32SilentWindow window(nullptr);
  testing::ExpectWorkerEndTicksTheTimersAtOnce(window);
}

}  // namespace
}  // namespace vorex
