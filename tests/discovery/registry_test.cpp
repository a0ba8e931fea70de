#include <gtest/gtest.h>

#include <cstring>

#include "discovery/discovery.h"
#include "discovery/registry_key.h"
#include "platform/memory_registry.h"
#include "support/fake_file_system.h"
#include "support/open_log.h"

namespace vorex {
namespace {

using testing::FakeFileSystem;

TEST(RegistryKeyTest, TrailingBackslashReadsTheDefaultValue) {
  MemoryRegistry reg;
  reg.Put("A\\B", "", "default");
  reg.Put("A\\B", "named", "other");
  CRegistryKey key(reg, kHkeyClassesRoot, "", kKeyReadWrite);
  std::uint8_t buf[64] = {};
  std::uint32_t size = sizeof buf;
  EXPECT_EQ(key.QueryValue("A\\B\\", buf, &size, nullptr, 0, kRegSz, false), kErrorSuccess);
  EXPECT_STREQ(reinterpret_cast<char*>(buf), "default");
  EXPECT_EQ(size, 8u);
  EXPECT_EQ(key.m_dwType, kRegSz);
  size = sizeof buf;
  EXPECT_EQ(key.QueryValue("A\\B\\named", buf, &size, nullptr, 0, kRegSz, false), kErrorSuccess);
  EXPECT_STREQ(reinterpret_cast<char*>(buf), "other");
  EXPECT_EQ(reg.OpenHandleCount(), 1);  // the sub-keys were closed again
}

TEST(RegistryKeyTest, NoBackslashReadsTheKeysOwnValue) {
  MemoryRegistry reg;
  reg.Put("K", "v", "own");
  CRegistryKey key(reg, kHkeyClassesRoot, "K", kKeyReadWrite);
  std::uint8_t buf[16] = {};
  std::uint32_t size = sizeof buf;
  EXPECT_EQ(key.QueryValue("v", buf, &size, nullptr, 0, kRegSz, false), kErrorSuccess);
  EXPECT_STREQ(reinterpret_cast<char*>(buf), "own");
  size = sizeof buf;
  EXPECT_EQ(key.QueryValue("\\v", buf, &size, nullptr, 0, kRegSz, false), kErrorSuccess);  // empty sub-key
}

TEST(RegistryKeyTest, FailedOpenIsReturnedAndTouchesNothing) {
  MemoryRegistry reg;
  CRegistryKey key(reg, kHkeyClassesRoot, "Missing", kKeyReadWrite);
  std::uint8_t buf[4] = {'x', 'x', 'x', 0};
  std::uint32_t size = 3;
  EXPECT_EQ(key.QueryValue("a\\", buf, &size, buf, 0, kRegSz, true), kErrorFileNotFound);
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(buf[0], 'x');
  EXPECT_FALSE(reg.HasKey("Missing\\a"));
}

TEST(RegistryKeyTest, FallbackIsCopiedAndWrittenOnlyWhenAskedTo) {
  MemoryRegistry reg;
  reg.Put("K", "", "");
  CRegistryKey key(reg, kHkeyClassesRoot, "K", kKeyReadWrite);
  std::uint8_t buf[16] = {};
  const std::uint8_t fallback[] = "fb";
  std::uint32_t size = sizeof buf;
  EXPECT_EQ(key.QueryValue("sub\\name", buf, &size, fallback, 3, kRegSz, false), kErrorFileNotFound);
  size = sizeof buf;
  EXPECT_EQ(key.QueryValue("K2\\name", buf, &size, fallback, 0, kRegSz, true), kErrorSuccess);
  EXPECT_EQ(size, 0u);
  size = sizeof buf;
  EXPECT_EQ(key.QueryValue("sub\\name", buf, &size, fallback, 3, kRegSz, true), kErrorSuccess);
  EXPECT_STREQ(reinterpret_cast<char*>(buf), "fb");
  std::uint8_t again[16] = {};
  size = sizeof again;
  EXPECT_EQ(key.QueryValue("sub\\name", again, &size, nullptr, 0, kRegSz, false), kErrorSuccess);
  EXPECT_STREQ(reinterpret_cast<char*>(again), "fb");
}

struct LookupCase {
  const char* name;
  std::string server;    // the LocalServer32 default value; empty: not registered
  std::string existing;  // a path that exists
  std::string expected;  // the one found file, or empty for a miss
};

class LookupTest : public ::testing::TestWithParam<LookupCase> {};

TEST_P(LookupTest, FindsThePathdefBesideTheServer) {
  const LookupCase& c = GetParam();
  MemoryRegistry reg;
  FakeFileSystem fs;
  if (!c.server.empty()) {
    reg.Put("MATLAB.APPLICATION\\CLSID", "", "{ID}");
    reg.Put("CLSID\\{ID}\\LocalServer32", "", c.server);
  }
  if (!c.existing.empty()) fs.dirs.insert(c.existing);
  StringList found{"earlier"};
  int hit = FindPathdefInRegistry(reg, fs, PathRules::Windows(), found);
  EXPECT_EQ(hit, c.expected.empty() ? 0 : 1);
  StringList expected = c.expected.empty() ? StringList{"earlier"} : StringList{"earlier", c.expected};
  EXPECT_EQ(found, expected);
  EXPECT_EQ(reg.OpenHandleCount(), 0);
}

const std::string kPathdef = "C:\\Apps\\M\\toolbox\\local\\pathdef.m";

INSTANTIATE_TEST_SUITE_P(
    Registrations, LookupTest,
    ::testing::Values(
        LookupCase{"Hit", "C:\\Apps\\M\\bin\\win32\\server.exe /x", kPathdef, kPathdef},
        LookupCase{"CandidateIsADirectory", "C:\\Apps\\M\\bin\\x.exe", kPathdef, kPathdef},
        LookupCase{"NotRegistered", "", kPathdef, ""}, LookupCase{"FileMissing", "C:\\Apps\\M\\bin\\x.exe", "", ""},
        LookupCase{"BinTwiceCutsAtTheLast", "C:\\bin\\M\\bin\\w\\s.exe", "C:\\bin\\M\\toolbox\\local\\pathdef.m",
                   "C:\\bin\\M\\toolbox\\local\\pathdef.m"},
        LookupCase{"BinOnlyAtStart", "bin\\x.exe", "toolbox\\local\\pathdef.m", ""},
        LookupCase{"UpperCaseBin", "C:\\Apps\\M\\BIN\\x.exe", "C:\\Apps\\M\\BIN\\toolbox\\local\\pathdef.m", ""},
        // A path with blanks is registered in quotes; the quotes are not part of it.
        LookupCase{"QuotedPath", "\"C:\\Apps\\M\\bin\\x.exe\"", kPathdef, kPathdef},
        LookupCase{
            "QuotedPathWithBlanksAndArguments", "\"C:\\Program Files\\M\\bin\\win64\\MATLAB.exe\" /Automation -bin",
            "C:\\Program Files\\M\\toolbox\\local\\pathdef.m", "C:\\Program Files\\M\\toolbox\\local\\pathdef.m"},
        LookupCase{"Exactly511Bytes", "C:\\" + std::string(497, 'a') + "\\bin\\x.exe",
                   "C:\\" + std::string(497, 'a') + "\\toolbox\\local\\pathdef.m",
                   "C:\\" + std::string(497, 'a') + "\\toolbox\\local\\pathdef.m"},
        LookupCase{"TooLong", "C:\\" + std::string(498, 'a') + "\\bin\\x.exe",
                   "C:\\" + std::string(498, 'a') + "\\toolbox\\local\\pathdef.m", ""}),
    [](const ::testing::TestParamInfo<LookupCase>& info) { return std::string(info.param.name); });

TEST(LookupTest, MissingDefaultValueAndDeniedAccessMiss) {
  MemoryRegistry reg;
  FakeFileSystem fs;
  fs.dirs.insert(kPathdef);
  reg.Put("MATLAB.APPLICATION\\CLSID", "notDefault", "{ID}");
  reg.Put("CLSID\\{ID}\\LocalServer32", "", "C:\\Apps\\M\\bin\\x.exe");
  StringList found;
  EXPECT_EQ(FindPathdefInRegistry(reg, fs, PathRules::Windows(), found), 0);
  reg.Put("MATLAB.APPLICATION\\CLSID", "", "{ID}");
  reg.DenyAccess("CLSID\\{ID}");
  EXPECT_EQ(FindPathdefInRegistry(reg, fs, PathRules::Windows(), found), 0);
  EXPECT_TRUE(found.empty());
}

// The releases registered under HKLM\SOFTWARE\MathWorks\MATLAB\<version>, in either view.
struct ReleaseHarness {
  MemoryRegistry reg;
  FakeFileSystem fs;
  using View = MemoryRegistry::View;

  void Release(View view, const std::string& version, const std::string& root, bool withFile = true) {
    reg.PutIn(kHkeyLocalMachine, view, "SOFTWARE\\MathWorks\\MATLAB\\" + version, "MATLABROOT", root);
    if (withFile) fs.AddFile(root + "\\toolbox\\local\\pathdef.m", "x");
  }
  void Server(View view, const std::string& root) {
    reg.PutIn(kHkeyClassesRoot, view, "MATLAB.APPLICATION\\CLSID", "", "{ID}");
    reg.PutIn(kHkeyClassesRoot, view, "CLSID\\{ID}\\LocalServer32", "", root + "\\bin\\win64\\MATLAB.exe");
    fs.AddFile(root + "\\toolbox\\local\\pathdef.m", "x");
  }
  StringList Find(bool program64, int* hit = nullptr) {
    StringList found;
    int h = FindPathdefInRegistry(reg, fs, PathRules::Windows(), found, nullptr, program64);
    if (hit) *hit = h;
    EXPECT_EQ(reg.OpenHandleCount(), 0);
    return found;
  }
};

std::string File(const std::string& root) {
  return root + "\\toolbox\\local\\pathdef.m";
}

TEST(ReleaseLookupTest, EachProgramSeesBothViews) {
  using View = MemoryRegistry::View;
  {
    ReleaseHarness h;  // a 32-bit program on 64-bit Windows; the release registered 64-bit
    h.reg.nativeView = View::k32;
    h.Release(View::k64, "24.1", "C:\\M24");
    EXPECT_EQ(h.Find(false), StringList{File("C:\\M24")});
  }
  {
    ReleaseHarness h;  // a 64-bit program; an old 32-bit release
    h.Release(View::k32, "7.14", "C:\\M2012a");
    EXPECT_EQ(h.Find(true), StringList{File("C:\\M2012a")});
  }
  {
    ReleaseHarness h;  // the automation server registered only in the other view
    h.reg.nativeView = View::k32;
    h.Server(View::k64, "C:\\Srv");
    EXPECT_EQ(h.Find(false), StringList{File("C:\\Srv")});
  }
}

TEST(ReleaseLookupTest, ServerFirstThenAscendingVersionsEachOnce) {
  using View = MemoryRegistry::View;
  ReleaseHarness h;
  h.Server(View::k64, "C:\\R23");
  h.Release(View::k64, "9.10", "D:\\R21");
  h.Release(View::k64, "9.9", "C:\\R20");
  h.Release(View::k64, "23.2", "c:\\r23");          // the server's installation again, in other case
  h.Release(View::k64, "24.1", "E:\\Gone", false);  // no pathdef.m
  h.Release(View::k32, "7.14", "C:\\Old");
  h.Release(View::k64, "MATLAB Runtime 9.9", "C:\\Runtime");
  int hit = 0;
  EXPECT_EQ(h.Find(true, &hit), (StringList{File("C:\\R23"), File("C:\\Old"), File("C:\\R20"), File("D:\\R21")}));
  EXPECT_EQ(hit, 1);
}

TEST(ReleaseLookupTest, ReadsWithReadAccessOnly) {
  ReleaseHarness h;
  h.reg.refuseWriteAccess = true;  // a user who is not elevated
  h.Server(MemoryRegistry::View::k64, "C:\\Srv");
  h.Release(MemoryRegistry::View::k64, "24.1", "C:\\M24");
  EXPECT_EQ(h.Find(true), (StringList{File("C:\\Srv"), File("C:\\M24")}));
}

TEST(ReleaseLookupTest, TooLongRootAndNoRegistrationMiss) {
  ReleaseHarness h;
  h.Release(MemoryRegistry::View::k64, "24.1", "C:\\" + std::string(600, 'a'));
  int hit = 1;
  EXPECT_TRUE(h.Find(true, &hit).empty());
  EXPECT_EQ(hit, 0);  // so the drive scan runs
  ReleaseHarness none;
  EXPECT_TRUE(none.Find(false, &hit).empty());
  EXPECT_EQ(hit, 0);
}

TEST(ReleaseLookupTest, EachFoundInstallationIsLogged) {
  ReleaseHarness h;
  h.Release(MemoryRegistry::View::k64, "24.1", "C:\\M24");
  h.fs.AddFile("log", "");
  StringList found;
  {
    DiagnosticLog log;
    testing::OpenLog(log, h.fs, h.fs, "log", false);
    FindPathdefInRegistry(h.reg, h.fs, PathRules::Windows(), found, &log, true);
  }
  EXPECT_EQ(h.fs.files["log"], "Registry: " + File("C:\\M24") + "\n");
}

}  // namespace
}  // namespace vorex
