#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "discovery/discovery.h"
#include "platform/posix/posix_file_system.h"
#include "support/fake_file_system.h"
#include "support/open_log.h"
#include "support/temp_dir.h"

namespace vorex {
namespace {

namespace fs = std::filesystem;
using testing::FakeFileSystem;

// Records the scan's texts, and clears the running flag once the detail line has been set
// `limit` times.
class CancellingProgress : public UpdateProgress {
 public:
  CancellingProgress(std::atomic<int>& running, int limit) : running_(running), limit_(limit) {}
  void SetStatusText(const std::string& text) override { statuses.push_back(text); }
  void SetDetailText(const std::string& text) override {
    details.push_back(text);
    if (!text.empty() && ++count_ == limit_) running_ = 0;
  }
  void DisableCancel() override {}
  void ShowMessage(const std::string&) override {}
  void ShowProblem(const std::string&) override {}
  void SetOutcome(ExitStatus) override {}

  std::vector<std::string> statuses;
  std::vector<std::string> details;

 private:
  std::atomic<int>& running_;
  int limit_;
  int count_ = 0;
};

struct ScanResult {
  StringList found;
  std::string log;
  std::vector<std::string> details;
  std::vector<std::string> statuses;
};

ScanResult Scan(FileSystem& files, PathRules rules, int cancelAfterDetails = -1, bool cancelledFromStart = false) {
  std::atomic<int> running{cancelledFromStart ? 0 : 1};
  CancellingProgress progress(running, cancelAfterDetails);
  FakeFileSystem logFs;
  ScanResult result;
  {
    DiagnosticLog log;
    testing::OpenLog(log, logFs, logFs, "log", false);
    ScanFixedDrives(ScanContext{files, log, running, progress, rules}, result.found);
  }
  result.log = logFs.files["log"];
  for (const std::string& t : progress.details)
    if (!t.empty()) result.details.push_back(t);
  result.statuses = progress.statuses;
  return result;
}

TEST(DriveScanTest, HighestRootFirstAndPreOrder) {
  testing::TempDir t;
  t.File("c/apps/m/local/pathdef.m");
  t.File("c/apps/m/deeper/n/local/pathdef.m");
  t.File("d/one/inner/x");
  t.Dir("d/two");
  t.Dir("d/three");
  t.File("d/Local/PathDef.M");  // stored in another case
  PosixFileSystem disks({t.path() + "/c", t.path() + "/d"});
  ScanResult r = Scan(disks, PathRules::Posix());
  EXPECT_EQ(r.found, (StringList{t.path() + "/d/Local/PathDef.M", t.path() + "/c/apps/m/local/pathdef.m",
                                 t.path() + "/c/apps/m/deeper/n/local/pathdef.m"}));
  // All sub-directories of d are listed before anything inside "one".
  std::size_t inner = r.log.find("Directory: " + t.path() + "/d/one/inner");
  for (const char* sibling : {"/d/one\n", "/d/two\n", "/d/three\n", "/d/Local\n"})
    EXPECT_LT(r.log.find("Directory: " + t.path() + sibling), inner) << sibling;
  EXPECT_EQ(r.log.find("Checking: " + t.path() + "/d\n"), 0u);
  EXPECT_EQ(r.statuses, std::vector<std::string>{"Searching Drives for MATLAB Installations..."});
}

TEST(DriveScanTest, LinksAreNeverWalkedThrough) {
  testing::TempDir t;
  t.File("c/m/local/pathdef.m");
  fs::create_directory_symlink(t.path() + "/c", t.path() + "/c/m/loop");
  fs::create_directory_symlink(t.path() + "/c/m/local", t.path() + "/c/other");
  PosixFileSystem disks({t.path() + "/c"});
  ScanResult r = Scan(disks, PathRules::Posix());
  EXPECT_EQ(r.found, StringList{t.path() + "/c/m/local/pathdef.m"});
  EXPECT_EQ(r.log.find("loop"), std::string::npos);
}

TEST(DriveScanTest, WindowsSpellsLocalAsSearchedAndSkipsUnlistable) {
  FakeFileSystem disks;
  disks.roots = {"C:\\", "D:\\"};
  disks.AddFile("C:\\M\\local\\pathdef.m", "");
  disks.AddFile("C:\\Locked\\M\\local\\pathdef.m", "");
  disks.AddFile("C:\\Z\\local\\PATHDEF.M", "");
  disks.dirs.insert("D:\\local");
  disks.dirs.insert("D:\\local\\pathdef.m");  // a directory of that name still counts
  disks.FailOn(FakeFileSystem::Op::kList, 1, "C:\\Locked");
  ScanResult r = Scan(disks, PathRules::Windows());
  EXPECT_EQ(r.found, (StringList{"D:\\LOCAL\\pathdef.m", "C:\\M\\LOCAL\\pathdef.m", "C:\\Z\\LOCAL\\PATHDEF.M"}));
  EXPECT_NE(r.log.find("Directory: C:\\Locked\n"), std::string::npos);
}

TEST(DriveScanTest, CancelBeforeTheDrivesWalksNothing) {
  FakeFileSystem disks;
  disks.roots = {"C:\\"};
  disks.AddFile("C:\\M\\local\\pathdef.m", "");
  ScanResult r = Scan(disks, PathRules::Windows(), -1, true);
  EXPECT_TRUE(r.found.empty());
  EXPECT_EQ(r.log, "");
  EXPECT_EQ(r.statuses, std::vector<std::string>{"Searching Drives for MATLAB Installations..."});
}

// Whenever the user cancels, nothing more is shown, logged or recorded after that point.
TEST(DriveScanTest, CancelStopsAtEveryPoint) {
  FakeFileSystem disks;
  disks.roots = {"C:\\", "D:\\"};
  disks.AddFile("C:\\a\\local\\pathdef.m", "");
  disks.AddFile("C:\\a\\b\\local\\pathdef.m", "");
  disks.AddFile("C:\\c\\d\\e\\f", "");
  disks.AddFile("D:\\g\\local\\pathdef.m", "");
  ScanResult full = Scan(disks, PathRules::Windows());
  ASSERT_EQ(full.found.size(), 3u);
  for (int limit = 1; limit <= static_cast<int>(full.details.size()); ++limit) {
    ScanResult r = Scan(disks, PathRules::Windows(), limit);
    ASSERT_EQ(r.details.size(), static_cast<std::size_t>(limit)) << limit;
    std::string lastLine = "Directory: " + r.details.back() + "\n";
    std::size_t cut = full.log.find(lastLine) + lastLine.size();
    EXPECT_EQ(r.log, full.log.substr(0, cut)) << limit;
    StringList expected;
    for (const std::string& f : full.found)
      if (full.log.find("File: " + f) < cut) expected.push_back(f);
    EXPECT_EQ(r.found, expected) << limit;
  }
}

}  // namespace
}  // namespace vorex
