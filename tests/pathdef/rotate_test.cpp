// Every step that touches pathdef.m is made to fail, and to stop the program there: afterwards
// pathdef.m must exist and hold the old or the new text, never neither.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>

#include "pathdef/edit_file.h"
#include "pathdef/edit_passes.h"
#include "support/fake_file_system.h"
#include "support/pass_harness.h"

namespace vorex {
namespace {

using testing::FakeFileSystem;
using Op = FakeFileSystem::Op;

const std::string kPath = "/i/toolbox/local/pathdef.m";
const std::string kNew = "/i/toolbox/local/pathdef.new";
const std::string kBak = "/i/toolbox/local/pathdef.bak";
const std::string kOld = "p = [...\n'/a:', ...\n%%% END ENTRIES %%%\n];\n";
const std::string kEdited = "p = [...\n'/a:', ...\n\t'/b:',...\n%%% END ENTRIES %%%\n];\n";
const std::string kPreviousBackup = "an older backup\n";
const std::string kUsersMayWrite = "owner: Administrators; Users: write";

enum class Mode { kHardLinks, kReplaceFile, kCopyBackup, kThreeRenames };

const char* ModeName(Mode m) {
  switch (m) {
    case Mode::kHardLinks:
      return "HardLinks";
    case Mode::kReplaceFile:
      return "ReplaceFile";
    case Mode::kCopyBackup:
      return "CopyBackup";
    case Mode::kThreeRenames:
      return "ThreeRenames";
  }
  return "?";
}

void Configure(FakeFileSystem& fs, Mode mode) {
  fs.supportsHardLinks = mode == Mode::kHardLinks;
  fs.supportsReplaceFile = mode == Mode::kReplaceFile;
  // No copy can be made either: only the three renames are left.
  if (mode == Mode::kThreeRenames) fs.FailOn(Op::kCreate, 1, "pathdef.bak");
  fs.AddFile(kPath, kOld);
  fs.AddFile(kBak, kPreviousBackup);
  // An administrator's entry on the file, and the read-only attribute: both stay with pathdef.m
  // and go with the old file to pathdef.bak.
  fs.permissions[kPath] = kUsersMayWrite;
  fs.readOnly.insert(kPath);
}

int RunAdd(FakeFileSystem& fs, std::string* logText = nullptr, StringList* problems = nullptr) {
  testing::PassHarness h(PathRules::Posix(), fs);
  h.commands = {"ADD"};
  h.paths = {"/b"};
  int result = h.Add({kPath});
  if (logText) *logText = h.Log();
  if (problems) *problems = h.problems;
  return result;
}

void ExpectSafe(FakeFileSystem& fs, int result, const std::string& context) {
  ASSERT_EQ(fs.files.count(kPath), 1u) << context << " lost pathdef.m";
  const std::string& now = fs.files[kPath];
  EXPECT_TRUE(now == kOld || now == kEdited) << context << " left: " << now;
  // Whatever happened, pathdef.m carries what it carried, and so does a backup of the old text.
  EXPECT_EQ(fs.permissions[kPath], kUsersMayWrite) << context;
  EXPECT_EQ(fs.readOnly.count(kPath), 1u) << context;
  if (fs.files.count(kBak) && fs.files[kBak] == kOld) {
    EXPECT_EQ(fs.permissions[kBak], kUsersMayWrite) << context;
    EXPECT_EQ(fs.readOnly.count(kBak), 1u) << context;
  }
  if (result == 1) {
    EXPECT_EQ(now, kEdited) << context;
    EXPECT_EQ(fs.files[kBak], kOld) << context;
    EXPECT_EQ(fs.files.count(kNew), 0u) << context;
  } else {
    EXPECT_EQ(now, kOld) << context << " failed but changed pathdef.m";
    // The backup is the one from before, a second name of the old file, or gone.
    if (fs.files.count(kBak)) {
      EXPECT_TRUE(fs.files[kBak] == kPreviousBackup || fs.files[kBak] == kOld) << context;
    }
    // While pathdef.m is in place nothing is left behind.
    EXPECT_EQ(fs.files.count(kNew), 0u) << context;
  }
}

class FaultMatrixTest : public ::testing::TestWithParam<Mode> {};

TEST_P(FaultMatrixTest, EachStepFailingLeavesOldOrNewText) {
  const Op kOps[] = {Op::kRead,     Op::kCreate,     Op::kWrite,   Op::kClose, Op::kRemove, Op::kRename,
                     Op::kHardLink, Op::kRenameOver, Op::kReplace, Op::kLock,  Op::kResolve};
  for (Op op : kOps) {
    for (int nth = 1; nth <= 3; ++nth) {
      FakeFileSystem fs;
      Configure(fs, GetParam());
      fs.FailOn(op, nth);
      int result = RunAdd(fs);
      ExpectSafe(fs, result, std::string(OpName(op)) + " #" + std::to_string(nth));
    }
  }
}

TEST_P(FaultMatrixTest, StoppingAfterEachStepLeavesOldOrNewText) {
  FakeFileSystem clean;
  Configure(clean, GetParam());
  ASSERT_EQ(RunAdd(clean), 1);
  ExpectSafe(clean, 1, "no fault");
  for (int calls = 0; calls < clean.CallCount(); ++calls) {
    FakeFileSystem fs;
    Configure(fs, GetParam());
    fs.CrashAfter(calls);
    RunAdd(fs);
    std::string context = "stopped after " + std::to_string(calls) + " calls";
    // No lock outlives the run, however it ended.
    EXPECT_TRUE(fs.locked.empty()) << context;
    if (GetParam() == Mode::kThreeRenames && fs.files.count(kPath) == 0) {
      // The one window the three renames leave: between them both texts are kept under the
      // other two names.
      EXPECT_EQ(fs.files[kBak], kOld) << context;
      EXPECT_EQ(fs.files[kNew], kEdited) << context;
      continue;
    }
    ASSERT_EQ(fs.files.count(kPath), 1u) << context;
    EXPECT_TRUE(fs.files[kPath] == kOld || fs.files[kPath] == kEdited) << context;
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, FaultMatrixTest,
                         ::testing::Values(Mode::kHardLinks, Mode::kReplaceFile, Mode::kCopyBackup,
                                           Mode::kThreeRenames),
                         [](const ::testing::TestParamInfo<Mode>& info) { return ModeName(info.param); });

TEST(RotateTest, RollsBackWhenTheNewFileCannotTakeItsPlace) {
  FakeFileSystem fs;
  Configure(fs, Mode::kThreeRenames);
  fs.FailOn(Op::kRename, 1, "pathdef.new ->");
  EXPECT_EQ(RunAdd(fs), 0);
  EXPECT_EQ(fs.files[kPath], kOld);
  EXPECT_EQ(fs.files.count(kBak), 0u);  // the backup went back to being pathdef.m
}

TEST(RotateTest, UndeletableBackupFailsWithoutChange) {
  for (Mode mode : {Mode::kHardLinks, Mode::kThreeRenames}) {
    FakeFileSystem fs;
    Configure(fs, mode);
    fs.FailOn(Op::kRemove, 1, "pathdef.bak");
    EXPECT_EQ(RunAdd(fs), 0) << ModeName(mode);
    EXPECT_EQ(fs.files[kPath], kOld) << ModeName(mode);
    EXPECT_EQ(fs.files[kBak], kPreviousBackup) << ModeName(mode);
  }
}

TEST(RotateTest, ShortWriteNeverReachesPathdef) {
  FakeFileSystem fs;
  Configure(fs, Mode::kHardLinks);
  fs.FailOn(Op::kWrite);
  EXPECT_EQ(RunAdd(fs), 0);
  EXPECT_EQ(fs.files[kPath], kOld);
  EXPECT_EQ(fs.files[kBak], kPreviousBackup);
  EXPECT_EQ(fs.files.count(kNew), 0u);
}

TEST(RotateTest, LeftoverNewFileIsReused) {
  FakeFileSystem fs;
  Configure(fs, Mode::kHardLinks);
  fs.AddFile(kNew, "from a failed run\n");
  EXPECT_EQ(RunAdd(fs), 1);
  EXPECT_EQ(fs.files[kPath], kEdited);
}

// Each step that can fail says which step, on which file, and why; pathdef.m stays as it was and
// nothing is left behind.
TEST(FailureReasonTest, EachFailedStepIsLoggedWithItsReason) {
  struct Row {
    Op op;
    int nth;
    std::string pathPart;
    std::string line;
  } rows[] = {
      {Op::kLock, 1, "", "Failed: lock " + kPath + ": injected failure"},
      {Op::kRead, 1, "", "Failed: read " + kPath + ": injected failure"},
      {Op::kCreate, 1, "pathdef.new", "Failed: create " + kNew + ": injected failure"},
      {Op::kWrite, 1, "pathdef.new", "Failed: write " + kNew + ": injected failure"},
      {Op::kClose, 1, "pathdef.new", "Failed: flush " + kNew + ": injected failure"},
      {Op::kRemove, 1, "pathdef.bak", "Failed: remove " + kBak + ": injected failure"},
      {Op::kHardLink, 1, "", "Failed: link " + kPath + " to " + kBak + ": injected failure"},
      {Op::kRenameOver, 1, "", "Failed: rename " + kNew + " to " + kPath + ": injected failure"},
  };
  for (const Row& row : rows) {
    FakeFileSystem fs;
    Configure(fs, Mode::kHardLinks);
    fs.FailOn(row.op, row.nth, row.pathPart);
    std::string log;
    StringList problems;
    EXPECT_EQ(RunAdd(fs, &log, &problems), 0) << row.line;
    EXPECT_NE(log.find(row.line + "\n"), std::string::npos) << log;
    EXPECT_EQ(problems, StringList{row.line});
    EXPECT_EQ(fs.files[kPath], kOld) << row.line;
    EXPECT_EQ(fs.files.count(kNew), 0u) << row.line;
  }
}

// The clean-up itself fails: pathdef.m is still the old file, and the log names what was left.
TEST(FailureReasonTest, LeftoverThatCannotBeRemovedIsNamed) {
  FakeFileSystem fs;
  Configure(fs, Mode::kHardLinks);
  fs.FailOn(Op::kWrite);
  fs.FailOn(Op::kRemove, 1, "pathdef.new");
  std::string log;
  EXPECT_EQ(RunAdd(fs, &log), 0);
  EXPECT_EQ(fs.files[kPath], kOld);
  EXPECT_EQ(fs.files[kBak], kPreviousBackup);
  EXPECT_NE(log.find("Failed: write " + kNew + ": injected failure\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Failed: remove " + kNew + ": injected failure\n"), std::string::npos) << log;
}

// A leftover pathdef.new from an earlier run that cannot be removed: nothing is written through it.
TEST(FailureReasonTest, LeftoverFromEarlierRunThatCannotGoFailsTheFile) {
  FakeFileSystem fs;
  Configure(fs, Mode::kHardLinks);
  fs.AddFile(kNew, "from a failed run\n");
  fs.FailOn(Op::kRemove, 1, "pathdef.new");
  std::string log;
  EXPECT_EQ(RunAdd(fs, &log), 0);
  EXPECT_EQ(fs.files[kPath], kOld);
  EXPECT_EQ(fs.files[kNew], "from a failed run\n");
  EXPECT_NE(log.find("Failed: remove " + kNew + ": injected failure\n"), std::string::npos) << log;
}

TEST(FailureReasonTest, ThreeRenamesThatCannotRollBackKeepBothTextsAndSaySo) {
  FakeFileSystem fs;
  Configure(fs, Mode::kThreeRenames);
  fs.FailOn(Op::kRename, 1, "pathdef.new ->");
  fs.FailOn(Op::kRename, 1, "pathdef.bak ->");
  std::string log;
  EXPECT_EQ(RunAdd(fs, &log), 0);
  EXPECT_EQ(fs.files[kBak], kOld);
  EXPECT_EQ(fs.files[kNew], kEdited);
  EXPECT_NE(log.find("Kept: " + kNew + " holds the edited text, " + kBak + " the previous one\n"), std::string::npos)
      << log;
}

// Another run holds the directory's lock for longer than we wait: nothing is read or written.
TEST(LockTest, HeldLockFailsTheFileWithoutTouchingIt) {
  FakeFileSystem fs;
  Configure(fs, Mode::kHardLinks);
  fs.locked.insert("/i/toolbox/local");
  std::string log;
  EXPECT_EQ(RunAdd(fs, &log), 0);
  EXPECT_EQ(fs.files[kPath], kOld);
  EXPECT_EQ(fs.files[kBak], kPreviousBackup);
  EXPECT_NE(log.find("Failed: lock " + kPath + ": another run held it for more than 30000 ms"), std::string::npos)
      << log;
  for (const std::string& call : fs.Journal()) EXPECT_NE(call.rfind("read", 0), 0u) << call;
}

TEST(LockTest, TextIsReadOnlyOnceTheLockIsHeld) {
  FakeFileSystem fs;
  Configure(fs, Mode::kHardLinks);
  RunAdd(fs);
  std::vector<std::string> journal = fs.Journal();
  auto at = [&](const std::string& prefix) {
    for (std::size_t i = 0; i < journal.size(); ++i)
      if (journal[i].rfind(prefix, 0) == 0) return i;
    return journal.size();
  };
  EXPECT_LT(at("lock"), at("read " + kPath));
  // The name itself is looked at only under the lock: another run may be replacing it.
  EXPECT_LT(at("lock"), at("resolve " + kPath));
  EXPECT_TRUE(fs.locked.empty());
}

// A link into another folder: both folders are held while the target is edited, the one whose
// name sorts first taken first, whichever side the run came from.
TEST(LockTest, ALinkIntoAnotherFolderHoldsBothFoldersInOneOrder) {
  for (bool fromLink : {true, false}) {
    FakeFileSystem fs;
    fs.AddFile("/a/shared/pathdef.m", kOld);
    fs.AddFile("/z/local/keep", "");
    fs.links["/z/local/pathdef.m"] = "/a/shared/pathdef.m";
    testing::PassHarness h(PathRules::Posix(), fs);
    std::set<std::string> heldDuringEdit;
    Outcome r = h.Edit(fromLink ? "/z/local/pathdef.m" : "/a/shared/pathdef.m",
                       [&](std::string_view text, std::string* out, std::string*) {
                         heldDuringEdit = fs.locked;
                         *out = std::string(text) + "%\n";
                         return true;
                       });
    EXPECT_EQ(r, Outcome::kChanged);
    std::vector<std::string> locks;
    for (const std::string& call : fs.Journal())
      if (call.rfind("lock ", 0) == 0) locks.push_back(call);
    if (fromLink) {
      EXPECT_EQ(heldDuringEdit, (std::set<std::string>{"/a/shared", "/z/local"}));
      // The link's own folder first (to follow it), then both again in their order.
      EXPECT_EQ(locks, (std::vector<std::string>{"lock /z/local", "lock /a/shared", "lock /z/local"}));
    } else {
      EXPECT_EQ(heldDuringEdit, (std::set<std::string>{"/a/shared"}));
    }
    EXPECT_TRUE(fs.locked.empty());
  }
}

struct HostileCase {
  const char* name;
  std::function<void(FakeFileSystem&)> plant;
  int result;
  std::string logLine;  // expected in the log; empty for none
};

// Odd things under the pathdef names. pathdef.m is never lost or changed by a failure.
TEST(HostileFileTest, OddEntriesUnderThePathdefNames) {
  const std::string kTarget = "/shared/common.m";
  HostileCase cases[] = {
      {"FifoAtPathdef", [](FakeFileSystem& fs) { fs.files.erase(kPath), fs.specials.insert(kPath); }, 0,
       "Failed: read " + kPath + ": not a regular file"},
      {"FifoAtNew", [](FakeFileSystem& fs) { fs.specials.insert(kNew); }, 1, ""},
      {"DirectoryAtNew", [](FakeFileSystem& fs) { fs.dirs.insert(kNew); }, 0,
       "Failed: remove " + kNew + ": Is a directory"},
      {"FifoAtBackup", [](FakeFileSystem& fs) { fs.files.erase(kBak), fs.specials.insert(kBak); }, 1, ""},
      {"DirectoryAtBackup", [](FakeFileSystem& fs) { fs.files.erase(kBak), fs.dirs.insert(kBak); }, 0,
       "Failed: remove " + kBak + ": Is a directory"},
      {"DanglingLink", [](FakeFileSystem& fs) { fs.files.erase(kPath), fs.links[kPath] = "/nowhere/pathdef.m"; }, 0,
       "Failed: follow link " + kPath + ": the link leads nowhere"},
      {"LinkToFifo",
       [&](FakeFileSystem& fs) { fs.files.erase(kPath), fs.links[kPath] = kTarget, fs.specials.insert(kTarget); }, 0,
       "Failed: read " + kTarget + ": not a regular file"},
  };
  for (const HostileCase& c : cases) {
    FakeFileSystem fs;
    Configure(fs, Mode::kHardLinks);
    c.plant(fs);
    std::map<std::string, std::string> before = fs.files;
    std::string log;
    EXPECT_EQ(RunAdd(fs, &log), c.result) << c.name;
    if (!c.logLine.empty()) {
      EXPECT_NE(log.find(c.logLine + "\n"), std::string::npos) << c.name << "\n" << log;
    }
    if (c.result == 1) {
      EXPECT_EQ(fs.files[kPath], kEdited) << c.name;
      EXPECT_EQ(fs.files[kBak], kOld) << c.name;
      EXPECT_EQ(fs.files.count(kNew), 0u) << c.name;
    } else {
      before.erase(testing::PassHarness::kLogName);
      fs.files.erase(testing::PassHarness::kLogName);
      EXPECT_EQ(fs.files, before) << c.name;
    }
  }
}

TEST(HostileFileTest, LinkedPathdefIsEditedThroughTheLink) {
  FakeFileSystem fs;
  fs.AddFile("/shared/common.m", kOld);
  fs.links[kPath] = "/shared/common.m";
  ASSERT_EQ(RunAdd(fs), 1);
  EXPECT_EQ(fs.links[kPath], "/shared/common.m");  // the link stays
  EXPECT_EQ(fs.files.count(kPath), 0u);
  EXPECT_EQ(fs.files["/shared/common.m"], kEdited);
  EXPECT_EQ(fs.files["/shared/pathdef.bak"], kOld);
  EXPECT_EQ(fs.files.count(kBak), 0u);
}

TEST(RotateTest, SiblingsLieBesideTheFileWhateverTheDirectoriesAreCalled) {
  FakeFileSystem fs;
  const std::string path = "/pathdef.m.d/toolbox/LOCAL/PATHDEF.M";
  fs.AddFile(path, kOld);
  testing::PassHarness h(PathRules::Posix(), fs);
  h.commands = {"ADD"};
  h.paths = {"/b"};
  ASSERT_EQ(h.Add({path}), 1);
  EXPECT_EQ(fs.files[path], kEdited);
  EXPECT_EQ(fs.files["/pathdef.m.d/toolbox/LOCAL/pathdef.bak"], kOld);
}

}  // namespace
}  // namespace vorex
