// Every step that touches pathdef.m is made to fail, and to stop the program there: afterwards
// pathdef.m must exist and hold the old or the new text, never neither.
#include <gtest/gtest.h>

#include "pathdef/edit_passes.h"
#include "support/fake_file_system.h"

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

enum class Mode { kHardLinks, kReplaceFile, kThreeRenames };

const char* ModeName(Mode m) {
  switch (m) {
    case Mode::kHardLinks:
      return "HardLinks";
    case Mode::kReplaceFile:
      return "ReplaceFile";
    case Mode::kThreeRenames:
      return "ThreeRenames";
  }
  return "?";
}

void Configure(FakeFileSystem& fs, Mode mode) {
  fs.supportsHardLinks = mode == Mode::kHardLinks;
  fs.supportsReplaceFile = mode == Mode::kReplaceFile;
  fs.AddFile(kPath, kOld);
  fs.AddFile(kBak, kPreviousBackup);
}

int RunAdd(FakeFileSystem& fs) {
  StringList commands{"ADD"}, paths{"/b"};
  DiagnosticLog log;
  return AddPathEntries({commands, paths, fs, log, PathRules::Posix()}, {kPath});
}

void ExpectSafe(FakeFileSystem& fs, int result, const std::string& context) {
  ASSERT_EQ(fs.files.count(kPath), 1u) << context << " lost pathdef.m";
  const std::string& now = fs.files[kPath];
  EXPECT_TRUE(now == kOld || now == kEdited) << context << " left: " << now;
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
    // A pathdef.new left behind is the whole edited text, never a part of it.
    if (fs.files.count(kNew)) {
      EXPECT_EQ(fs.files[kNew], kEdited) << context;
    }
  }
}

class FaultMatrixTest : public ::testing::TestWithParam<Mode> {};

TEST_P(FaultMatrixTest, EachStepFailingLeavesOldOrNewText) {
  const Op kOps[] = {Op::kRead,   Op::kCreate,   Op::kWrite,      Op::kClose,  Op::kRemove,
                     Op::kRename, Op::kHardLink, Op::kRenameOver, Op::kReplace};
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
                         ::testing::Values(Mode::kHardLinks, Mode::kReplaceFile, Mode::kThreeRenames),
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

TEST(RotateTest, SiblingsLieBesideTheFileWhateverTheDirectoriesAreCalled) {
  FakeFileSystem fs;
  const std::string path = "/pathdef.m.d/toolbox/LOCAL/PATHDEF.M";
  fs.AddFile(path, kOld);
  StringList commands{"ADD"}, paths{"/b"};
  DiagnosticLog log;
  ASSERT_EQ(AddPathEntries({commands, paths, fs, log, PathRules::Posix()}, {path}), 1);
  EXPECT_EQ(fs.files[path], kEdited);
  EXPECT_EQ(fs.files["/pathdef.m.d/toolbox/LOCAL/pathdef.bak"], kOld);
}

}  // namespace
}  // namespace vorex
