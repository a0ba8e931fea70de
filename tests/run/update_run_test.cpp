#include "run/update_run.h"

#include "run/report.h"

#include <gtest/gtest.h>

#include "support/gate.h"
#include "support/null_services.h"

namespace vorex {
namespace {

using testing::FakeFileSystem;
using testing::RecordingWindow;
using testing::TestServices;

const std::string kFile = "C:\\Apps\\M\\toolbox\\local\\pathdef.m";
const std::string kText = "p = [...\n     'C:\\old;', ...\n%%% END ENTRIES %%%\n];\n";

void Register(TestServices& s) {
  s.registry.Put("MATLAB.APPLICATION\\CLSID", "", "{ID}");
  s.registry.Put("CLSID\\{ID}\\LocalServer32", "", "C:\\Apps\\M\\bin\\win32\\server.exe /x");
}

// Runs the real update on the dialog with the given pairs; the user does nothing.
struct UpdateHarness {
  TestServices s;
  StringList commands{"ADD"};
  StringList paths{"C:\\New"};
  ExitStatus result = kExitSuccess;
  RunRequest options;
  std::string report;  // what the run reported

  // `before` runs on the worker with the dialog's running flag, before the update.
  void Go(std::function<void(std::atomic<int>& running)> before = nullptr) {
    DialogServices services = s.Dialog();
    RunRequest request = options;
    request.commands = commands;
    request.paths = paths;
    CPathUpdateDlg dlg(0, &commands, &paths, services,
                       [&](DiagnosticLog& log, std::atomic<int>& running, UpdateProgress& progress) {
                         if (before) before(running);
                         RunResult r = RunUpdate({services.platform, request, log, s.sleeper, running, progress});
                         report += ReportText(r.files, false);
                       });
    dlg.DoModal();
    result = dlg.Result();
  }
  bool WroteAnything() {
    for (const std::string& entry : s.fs.Journal())
      if (entry.rfind("create", 0) == 0) return true;
    return false;
  }
};

TEST(UpdateRunTest, RegistryHitEditsOneFile) {
  UpdateHarness run;
  Register(run.s);
  run.s.fs.AddFile(kFile, kText);
  run.Go();
  EXPECT_EQ(run.result, kExitSuccess);
  EXPECT_NE(run.s.fs.files[kFile].find("\t'c:\\new;',...\n"), std::string::npos);
  EXPECT_EQ(run.s.sleeper.Pauses(), (std::vector<unsigned>{1000, 2000, 3000, 3000}));
  auto status = run.s.window.Texts(kIdcStatusText);
  ASSERT_GE(status.size(), 3u);
  EXPECT_EQ(status[status.size() - 3], "Modifying MATLAB Path Information...");
  EXPECT_EQ(status[status.size() - 2], "MATLAB Path Update Complete.");
  EXPECT_TRUE(run.s.window.Boxes().empty());
  bool greyed = false;
  for (const auto& c : run.s.window.Calls()) greyed |= c.what == "enable" && c.id == kIdcCancelButton && c.text == "0";
  EXPECT_TRUE(greyed);
}

TEST(UpdateRunTest, ScanFindsTwoFiles) {
  UpdateHarness run;
  run.s.fs.roots = {"C:\\", "D:\\"};
  run.s.fs.AddFile("C:\\M\\LOCAL\\pathdef.m", kText);
  run.s.fs.AddFile("D:\\N\\LOCAL\\pathdef.m", kText);
  run.Go();
  EXPECT_EQ(run.result, kExitSuccess);
  auto status = run.s.window.Texts(kIdcStatusText);
  EXPECT_NE(std::find(status.begin(), status.end(), "MATLAB Path Update Complete (2 paths modified)."), status.end());
  EXPECT_NE(run.s.fs.files["D:\\N\\LOCAL\\pathdef.m"].find("c:\\new"), std::string::npos);
}

TEST(UpdateRunTest, NothingFoundShowsTheBoxAndWritesNothing) {
  UpdateHarness run;
  run.commands = {"REMOVE", "ADD"};
  run.paths = {"C:\\100%d", "C:\\New"};
  run.s.fs.roots = {"C:\\"};
  run.Go();
  EXPECT_EQ(run.result, kExitNotFound);
  ASSERT_EQ(run.s.window.Boxes().size(), 1u);
  EXPECT_EQ(run.s.window.Boxes()[0],
            "WARNING: The MATLAB \"pathdef.m\" file could not be found.\n\nFrom the MATLAB prompt, run PATHTOOL, and\n"
            "REMOVE \"C:\\100%d \"\nADD \"C:\\New \"\n");
  EXPECT_FALSE(run.WroteAnything());
}

TEST(UpdateRunTest, AddFailureShowsTheBoxWithAllPairs) {
  UpdateHarness run;
  Register(run.s);
  run.s.fs.AddFile(kFile, "no insertion point\n");
  run.commands = {"REMOVE", "ADD"};
  run.paths = {"C:\\old", "C:\\New"};
  run.Go();
  EXPECT_EQ(run.result, kExitFailure);
  ASSERT_EQ(run.s.window.Boxes().size(), 1u);
  EXPECT_EQ(run.s.window.Boxes()[0],
            "An error ocurred while updating \"pathdef.m\".\n\nFrom the MATLAB prompt, run PATHTOOL and\n"
            "REMOVE \"C:\\old \"\nADD \"C:\\New \"\n");
  for (const auto& c : run.s.window.Calls()) EXPECT_FALSE(c.what == "enable");  // Cancel stays enabled
}

TEST(UpdateRunTest, RemoveFailureIsAFailureToo) {
  UpdateHarness run;
  Register(run.s);
  run.s.fs.AddFile(kFile, kText);
  run.s.fs.FailOn(FakeFileSystem::Op::kRead, 1);
  run.commands = {"REMOVE"};
  run.paths = {"C:\\old"};
  run.Go();
  EXPECT_EQ(run.result, kExitFailure);
  EXPECT_EQ(run.s.window.Boxes().size(), 1u);
  EXPECT_EQ(run.s.fs.files[kFile], kText);
  // The reason follows the box.
  std::vector<std::string> after;
  bool boxSeen = false;
  for (const auto& c : run.s.window.Calls()) {
    boxSeen |= c.what == "box";
    if (c.what == "problem" && boxSeen) after.push_back(c.text);
  }
  EXPECT_EQ(after, (std::vector<std::string>{"Failed: read " + kFile + ": injected failure"}));
}

TEST(UpdateRunTest, CancelBeforeTheCheckpointOpensNoFile) {
  UpdateHarness run;
  Register(run.s);
  run.s.fs.AddFile(kFile, kText);
  run.s.window.At(1, RecordingWindow::UserAction::kCancelButton);
  run.Go([&](std::atomic<int>& running) {
    while (running != 0) std::this_thread::yield();
  });
  EXPECT_EQ(run.result, kExitCancelled);
  EXPECT_FALSE(run.WroteAnything());
  EXPECT_EQ(run.s.window.Boxes().size(), 1u);  // only the cancel box
}

TEST(UpdateRunTest, CancelDuringTheScanStopsIt) {
  UpdateHarness run;
  run.s.fs.roots = {"C:\\"};
  run.s.fs.AddFile("C:\\a\\b\\c\\local\\pathdef.m", kText);
  run.s.window.When(
      [&] {
        return !run.s.window.Texts(kIdcDetailText).empty() && run.s.window.Texts(kIdcDetailText).back() == "C:\\a";
      },
      RecordingWindow::UserAction::kEscape);
  run.s.window.synchronousWorkerCalls = true;
  run.Go();
  EXPECT_EQ(run.result, kExitCancelled);
  EXPECT_FALSE(run.WroteAnything());
  EXPECT_EQ(run.s.fs.files["C:\\a\\b\\c\\local\\pathdef.m"], kText);
}

TEST(UpdateRunTest, CancelDuringTheModifyStageDoesNotStopThePasses) {
  UpdateHarness run;
  Register(run.s);
  run.s.fs.AddFile(kFile, kText);
  run.s.window.When(
      [&] {
        auto t = run.s.window.Texts(kIdcStatusText);
        return !t.empty() && t.back() == "Modifying MATLAB Path Information...";
      },
      RecordingWindow::UserAction::kCancelButton);
  run.s.window.synchronousWorkerCalls = true;
  run.Go();
  EXPECT_NE(run.s.fs.files[kFile].find("c:\\new"), std::string::npos);
  EXPECT_EQ(run.result, kExitSuccess);  // the change was made, whatever the user saw
  EXPECT_FALSE(run.s.window.deadlocked());
}

}  // namespace
}  // namespace vorex

namespace vorex {
namespace {

// A run with rights: files in another user's place that cannot be edited are skipped; they
// count neither as a failure nor as a file modified, and the user reads why.
TEST(UpdateRunTest, SkippedFilesNeitherFailNorCount) {
  const std::string planted = "D:\\Users\\evil\\LOCAL\\pathdef.m";
  for (bool withReal : {true, false}) {
    SCOPED_TRACE(withReal);
    UpdateHarness run;
    run.s.fs.withRights = true;
    run.s.fs.roots = {"D:\\"};
    run.s.fs.specials.insert(planted);
    run.s.fs.dirs.insert("D:\\Users");
    run.s.fs.dirs.insert("D:\\Users\\evil");
    run.s.fs.dirs.insert("D:\\Users\\evil\\LOCAL");
    run.s.fs.GiveTo("D:\\Users\\evil", "evil");
    if (withReal) {
      run.s.fs.AddFile("D:\\M\\LOCAL\\pathdef.m", kText);
      run.s.fs.AddFile("D:\\N\\LOCAL\\pathdef.m", kText);
    }
    run.Go();
    bool told = false;
    for (const auto& c : run.s.window.Calls())
      told |= c.what == "problem" && c.text.rfind("Skipped: " + planted + ": ", 0) == 0;
    EXPECT_TRUE(told);
    if (withReal) {
      EXPECT_EQ(run.result, kExitSuccess);
      auto status = run.s.window.Texts(kIdcStatusText);
      ASSERT_GE(status.size(), 2u);
      EXPECT_EQ(status[status.size() - 2], "MATLAB Path Update Complete (2 paths modified).");
    } else {
      // Nothing this run could update: as if nothing had been found.
      EXPECT_EQ(run.result, kExitNotFound);
    }
  }
}

}  // namespace
}  // namespace vorex

namespace vorex {
namespace {

// The users' own copies in their startup folders: the runner's first, then the installations,
// then everyone else's (with rights only); each file once.
TEST(UpdateRunTest, UsersCopiesAreOrderedAroundTheInstallations) {
  const std::string install = "C:\\Apps\\M\\toolbox\\local\\pathdef.m";
  const std::string mine = "C:\\Users\\me\\Documents\\MATLAB\\pathdef.m";
  const std::string synced = "C:\\Users\\me\\OneDrive - Firm\\Documents\\MATLAB\\pathdef.m";
  const std::string known = "E:\\Redirected\\MATLAB\\pathdef.m";
  const std::string theirs = "C:\\Users\\ann\\Documents\\MATLAB\\pathdef.m";
  const std::string linked = "C:\\Users\\bob\\Documents\\MATLAB\\pathdef.m";
  for (bool withRights : {false, true}) {
    SCOPED_TRACE(withRights);
    UpdateHarness run;
    Register(run.s);
    run.s.fs.withRights = withRights;
    for (const std::string& f : {install, mine, synced, known, theirs}) run.s.fs.AddFile(f, kText);
    run.s.fs.dirs.insert("C:\\Users\\bob\\Documents\\MATLAB");
    run.s.fs.links[linked] = install;  // bob's copy is the installation's file
    run.s.users.homes = {{"C:\\Users\\ann", "", false, {}},
                         {"C:\\Users\\me", "E:\\Redirected", true, {}},
                         {"C:\\Users\\bob", "", false, {}},
                         {"C:\\Users\\me", "", true, {}}};  // listed twice: edited once
    run.Go();
    EXPECT_EQ(run.result, kExitSuccess);
    std::vector<std::string> modified;
    for (const std::string& call : run.s.fs.Journal())
      if (call.rfind("read ", 0) == 0) modified.push_back(call.substr(5));
    std::vector<std::string> expected{known, mine, synced, install};
    if (withRights) expected.push_back(theirs);
    EXPECT_EQ(modified, expected);
    EXPECT_EQ(run.s.fs.files[theirs] != kText, withRights);
    for (const std::string& f : expected) EXPECT_NE(run.s.fs.files[f].find("'c:\\new;'"), std::string::npos) << f;
    // bob's link was not a file of its own: the installation holds the entry once.
    std::string text = run.s.fs.files[install];
    EXPECT_EQ(text.find("'c:\\new;'"), text.rfind("'c:\\new;'"));
    auto status = run.s.window.Texts(kIdcStatusText);
    ASSERT_GE(status.size(), 2u);
    EXPECT_EQ(status[status.size() - 2],
              "MATLAB Path Update Complete (" + std::to_string(expected.size()) + " paths modified).");
  }
}

// No installation anywhere, but a copy of the user's own: it is edited and the run succeeds.
TEST(UpdateRunTest, AUsersCopyAloneIsEnough) {
  UpdateHarness run;
  run.s.fs.roots = {"C:\\"};
  const std::string mine = "C:\\Users\\me\\Documents\\MATLAB\\pathdef.m";
  run.s.fs.AddFile(mine, kText);
  run.s.users.homes = {{"C:\\Users\\me", "", true, {}}};
  StringList logged;
  run.Go();
  EXPECT_EQ(run.result, kExitSuccess);
  EXPECT_NE(run.s.fs.files[mine].find("'c:\\new;'"), std::string::npos);
}

}  // namespace
}  // namespace vorex

namespace vorex {
namespace {

bool ChangedTheDisk(const testing::FakeFileSystem& fs) {
  for (const std::string& call : fs.Journal())
    for (const char* op : {"create", "rename", "hardlink", "remove", "replace"})
      if (call.rfind(op, 0) == 0) return true;
  return false;
}

const std::string kA = "C:\\A\\toolbox\\local\\pathdef.m";
const std::string kB = "D:\\B\\toolbox\\local\\pathdef.m";
const std::string kListed = "p = [...\n     'c:\\new;', ...\n%%% END ENTRIES %%%\n];\n";

// -matlabroot: exactly the named installations, in the order given; nothing else looked at.
TEST(NamedInstallationsTest, OnlyTheNamedRootsAreEdited) {
  UpdateHarness run;
  Register(run.s);  // a registered installation that must not be touched
  run.s.fs.AddFile(kFile, kText);
  run.s.fs.roots = {"C:\\"};
  run.s.users.homes = {{"C:\\Users\\me", "", true, {}}};
  run.s.fs.AddFile("C:\\Users\\me\\Documents\\MATLAB\\pathdef.m", kText);
  run.s.fs.AddFile(kB, kText);
  run.s.fs.AddFile(kA, kText);
  run.options.matlabRoots = {"D:\\B", "C:\\A"};
  run.Go();
  EXPECT_EQ(run.result, kExitSuccess);
  EXPECT_EQ(run.report, "changed " + kB + "\nchanged " + kA + "\n");
  EXPECT_EQ(run.s.fs.files[kFile], kText);
  EXPECT_EQ(run.s.fs.files["C:\\Users\\me\\Documents\\MATLAB\\pathdef.m"], kText);
  for (const std::string& call : run.s.fs.Journal()) EXPECT_NE(call.rfind("list", 0), 0u) << call;

  // One root without the file: the other is edited, the run fails, the report says which.
  UpdateHarness missing;
  missing.s.fs.AddFile(kA, kText);
  missing.options.matlabRoots = {"E:\\gone", "C:\\A"};
  missing.Go();
  EXPECT_EQ(missing.result, kExitFailure);
  EXPECT_EQ(missing.report, "failed E:\\gone\\toolbox\\local\\pathdef.m\nchanged " + kA + "\n");
  bool told = false;
  for (const auto& c : missing.s.window.Calls())
    told |= c.what == "problem" && c.text.rfind("Failed: find E:\\gone\\toolbox\\local\\pathdef.m: ", 0) == 0;
  EXPECT_TRUE(told);

  // None has it: as if nothing had been found.
  UpdateHarness none;
  none.options.matlabRoots = {"E:\\gone"};
  none.Go();
  EXPECT_EQ(none.result, kExitNotFound);
}

// -check on: everything is read and worked out, nothing is written, whatever the outcome.
TEST(CheckModeTest, WritesNothingAndTellsByItsStatus) {
  struct Case {
    const char* name;
    std::string a;  // kA's text; kB always holds kListed
    StringList commands, paths;
    ExitStatus status;
    std::string report;
  } cases[] = {
      {"would change",
       kText,
       {"ADD"},
       {"C:\\New"},
       kExitWouldChange,
       "would change " + kA + "\nunchanged " + kB + "\n"},
      {"nothing to change",
       kListed,
       {"ADD"},
       {"C:\\New"},
       kExitSuccess,
       "unchanged " + kA + "\nunchanged " + kB + "\n"},
      // Two commands: the second works on what the first would have left, and finds it listed.
      {"second command sees the first",
       kText,
       {"ADD", "ADD"},
       {"C:\\New", "C:\\New"},
       kExitWouldChange,
       "would change " + kA + "\nunchanged " + kB + "\n"},
      {"no insertion point",
       "x = 1;\n",
       {"ADD"},
       {"C:\\New"},
       kExitFailure,
       "failed " + kA + "\nunchanged " + kB + "\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UpdateHarness run;
    run.s.fs.AddFile(kA, c.a);
    run.s.fs.AddFile(kB, kListed);
    run.commands = c.commands;
    run.paths = c.paths;
    run.options.matlabRoots = {"C:\\A", "D:\\B"};
    run.options.check = true;
    run.Go();
    EXPECT_EQ(run.result, c.status);
    EXPECT_EQ(run.report, c.report);
    EXPECT_FALSE(ChangedTheDisk(run.s.fs));
    EXPECT_EQ(run.s.fs.files[kA], c.a);
  }
  UpdateHarness none;
  none.options.check = true;
  none.options.matlabRoots = {"C:\\A"};
  none.Go();
  EXPECT_EQ(none.result, kExitNotFound);
}

// A check answers as the run would: a file whose folder the run may not change fails with the
// run's reason instead of "would change"; and it asks for no lock that creates anything, even
// with rights.
TEST(CheckModeTest, AnswersAsTheRunWouldAndLocksOnlyToLook) {
  for (bool withRights : {false, true}) {
    SCOPED_TRACE(withRights);
    UpdateHarness run;
    run.s.fs.withRights = withRights;
    run.s.fs.AddFile(kA, kText);
    run.s.fs.AddFile(kB, kText);
    run.s.fs.unwritableDirs.insert("D:\\B\\toolbox\\local");
    run.options.matlabRoots = {"C:\\A", "D:\\B"};
    run.options.check = true;
    run.Go();
    EXPECT_EQ(run.result, kExitFailure);
    EXPECT_EQ(run.report, "would change " + kA + "\nfailed " + kB + "\n");
    EXPECT_FALSE(ChangedTheDisk(run.s.fs));
    bool named = false;
    for (const auto& call : run.s.window.Calls())
      named |=
          call.what == "problem" && call.text == "Failed: create D:\\B\\toolbox\\local\\pathdef.new: Permission denied";
    EXPECT_TRUE(named);
    for (LockKind kind : run.s.fs.lockKinds) EXPECT_EQ(kind, LockKind::kLook);
  }
}

// A root is taken as it really is: named twice, or once through a link, it is one installation
// and one line of the report.
TEST(NamedRootTest, ARootIsTakenAsItReallyIsAndOnce) {
  UpdateHarness run;
  run.s.fs.AddFile(kA, kText);
  run.s.fs.realFolders["E:\\link"] = "C:\\A";
  run.options.matlabRoots = {"C:\\A", "E:\\link", "C:\\A"};
  run.Go();
  EXPECT_EQ(run.result, kExitSuccess);
  EXPECT_EQ(run.report, "changed " + kA + "\n");
}

// A run that changes nothing touches nothing: no new file, no backup moved forward.
TEST(NoOpTest, AnAddOrRemoveThatChangesNothingLeavesTheDiskAlone) {
  for (const char* command : {"ADD", "REMOVE"}) {
    SCOPED_TRACE(command);
    UpdateHarness run;
    run.s.fs.AddFile(kA, std::string(command) == "ADD" ? kListed : kText);
    run.s.fs.AddFile("C:\\A\\toolbox\\local\\pathdef.bak", "the last real change\n");
    run.commands = {command};
    run.paths = {std::string(command) == "ADD" ? "C:\\New" : "C:\\absent"};
    run.options.matlabRoots = {"C:\\A"};
    run.Go();
    EXPECT_EQ(run.result, kExitSuccess);
    EXPECT_EQ(run.report, "unchanged " + kA + "\n");
    EXPECT_FALSE(ChangedTheDisk(run.s.fs));
    EXPECT_EQ(run.s.fs.files["C:\\A\\toolbox\\local\\pathdef.bak"], "the last real change\n");
  }
}

// The report names every file in list order: a failure in the middle keeps to its file, the
// files after it are edited; a file in another user's place that could not be edited is skipped.
TEST(ReportTest, EveryFileInListOrder) {
  UpdateHarness run;
  const std::string c = "E:\\C\\toolbox\\local\\pathdef.m";
  run.s.fs.AddFile(kA, kText);
  run.s.fs.AddFile(kB, "x = 1;\n");
  run.s.fs.AddFile(c, kText);
  run.options.matlabRoots = {"C:\\A", "D:\\B", "E:\\C"};
  run.Go();
  EXPECT_EQ(run.result, kExitFailure);
  EXPECT_EQ(run.report, "changed " + kA + "\nfailed " + kB + "\nchanged " + c + "\n");

  UpdateHarness rights;
  rights.s.fs.withRights = true;
  rights.s.fs.AddFile(kA, kText);
  rights.s.fs.specials.insert(kB);
  for (const char* dir : {"D:\\B", "D:\\B\\toolbox", "D:\\B\\toolbox\\local"}) rights.s.fs.dirs.insert(dir);
  rights.s.fs.GiveTo("D:\\B", "ann");
  rights.options.matlabRoots = {"C:\\A", "D:\\B"};
  rights.Go();
  EXPECT_EQ(rights.result, kExitSuccess);
  EXPECT_EQ(rights.report, "changed " + kA + "\nskipped " + kB + "\n");
}

}  // namespace
}  // namespace vorex

namespace vorex {
namespace {

// -octave on: each Octave installation's site startup file after every pathdef.m, each folder
// once, made when missing; without the option nothing of Octave is looked at.
TEST(OctaveRunTest, StartupFilesComeLastAndAreMadeWhenMissing) {
  const std::string site = "C:\\Octave\\mingw64\\share\\octave\\site\\m\\startup";
  const std::string other = "D:\\Oct\\share\\octave\\site\\m\\startup";
  for (bool option : {false, true}) {
    SCOPED_TRACE(option);
    UpdateHarness run;
    run.s.fs.AddFile(kA, kText);
    run.s.fs.AddFile(site + "\\octaverc", "pkg load x\r\n");
    run.s.fs.dirs.insert(other);  // a startup folder without the file
    run.s.octave.prefixes = {"C:\\Octave\\mingw64", "C:\\Octave\\mingw64", "C:\\Octave", "D:\\Oct", "E:\\none"};
    run.options.matlabRoots = {"C:\\A"};
    run.options.octave = option;
    run.Go();
    EXPECT_EQ(run.result, kExitSuccess);
    if (!option) {
      EXPECT_EQ(run.report, "changed " + kA + "\n");
      EXPECT_EQ(run.s.fs.files[site + "\\octaverc"], "pkg load x\r\n");
      continue;
    }
    EXPECT_EQ(run.report, "changed " + kA + "\nchanged " + site + "\\octaverc\nchanged " + other + "\\octaverc\n");
    EXPECT_EQ(run.s.fs.files[site + "\\octaverc"],
              "pkg load x\r\n## Begin vorex section, do not edit\r\naddpath ('c:\\new', '-end');\r\n## End vorex "
              "section\r\n");
    EXPECT_EQ(run.s.fs.files[site + "\\octaverc.bak"], "pkg load x\r\n");
    EXPECT_EQ(run.s.fs.files[other + "\\octaverc"],
              "## Begin vorex section, do not edit\r\naddpath ('c:\\new', '-end');\r\n## End vorex section\r\n");
    EXPECT_EQ(run.s.fs.files.count(other + "\\octaverc.bak"), 0u);
  }
}

// No MATLAB anywhere, but an Octave installation: its file is edited and that is a success;
// with neither, nothing was found.
TEST(OctaveRunTest, OctaveAloneIsEnough) {
  const std::string site = "C:\\Octave\\share\\octave\\site\\m\\startup";
  UpdateHarness run;
  run.s.fs.roots = {"C:\\"};
  run.s.fs.AddFile(site + "\\octaverc", "");
  run.s.octave.prefixes = {"C:\\Octave"};
  run.options.octave = true;
  run.Go();
  EXPECT_EQ(run.result, kExitSuccess);
  EXPECT_NE(run.s.fs.files[site + "\\octaverc"].find("addpath ('c:\\new', '-end');"), std::string::npos);

  UpdateHarness none;
  none.s.fs.roots = {"C:\\"};
  none.options.octave = true;
  none.Go();
  EXPECT_EQ(none.result, kExitNotFound);
}

}  // namespace
}  // namespace vorex

namespace vorex {
namespace {

// What Octave's Windows installer records (no install location; the uninstaller's folder is the
// installation), in either registry view, is found through the registry seam.
TEST(OctaveRunTest, InstallationsRecordedInTheRegistry) {
  UpdateHarness run;
  const std::string key = R"(SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\)";
  run.s.registry.PutIn(kHkeyLocalMachine, MemoryRegistry::View::k32, key + "Octave-9.2.0", "UninstallString",
                       R"("D:\Octave-9.2.0\uninstall.exe")");
  run.s.registry.PutIn(kHkeyLocalMachine, MemoryRegistry::View::k64, key + "Octave-6.1.0", "UninstallString",
                       R"(E:\Old\uninstall.exe)");
  run.s.registry.PutIn(kHkeyLocalMachine, MemoryRegistry::View::k64, key + "SomethingElse", "UninstallString",
                       R"(F:\X\uninstall.exe)");
  run.s.fs.dirs.insert(R"(D:\Octave-9.2.0\mingw64\share\octave\site\m\startup)");
  run.s.fs.dirs.insert(R"(E:\Old\share\octave\site\m\startup)");
  run.s.fs.dirs.insert(R"(F:\X\share\octave\site\m\startup)");
  run.s.fs.AddFile(kA, kText);
  run.options.matlabRoots = {"C:\\A"};
  run.options.octave = true;
  run.Go();
  EXPECT_EQ(run.result, kExitSuccess);
  EXPECT_EQ(run.report, "changed " + kA + "\nchanged " + R"(E:\Old\share\octave\site\m\startup\octaverc)" +
                            "\nchanged " + R"(D:\Octave-9.2.0\mingw64\share\octave\site\m\startup\octaverc)" + "\n");
}

}  // namespace
}  // namespace vorex

namespace vorex {
namespace {

// Paths that reach one file: a user's link never hides another user's copy from a run with
// rights, nor lends its own rights to the edit; the file is edited once, by whoever's place it
// really lies in, and the report names every path.
struct SameFileHarness : UpdateHarness {
  const std::string evilCopy = "/home/evil/Documents/MATLAB/pathdef.m";
  const std::string aliceCopy = "/home/alice/Documents/MATLAB/pathdef.m";
  SameFileHarness() {
    s.rules = PathRules::Posix();
    s.fs.withRights = true;
    s.fs.roots = {"/"};
    for (const char* dir : {"/home", "/home/evil", "/home/evil/Documents", "/home/evil/Documents/MATLAB", "/home/alice",
                            "/home/alice/Documents", "/home/alice/Documents/MATLAB"})
      s.fs.dirs.insert(dir);
    for (const char* dir : {"/home/evil", "/home/evil/Documents", "/home/evil/Documents/MATLAB"})
      s.fs.GiveTo(dir, "evil", 1001);
    for (const char* dir : {"/home/alice", "/home/alice/Documents", "/home/alice/Documents/MATLAB"})
      s.fs.GiveTo(dir, "alice", 1002);
    s.users.homes = {{"/home/evil", "", false, "evil"}, {"/home/alice", "", false, "alice"}};
    commands = {"ADD"};
    paths = {"/opt/tb"};
  }
  std::string Editor(const std::string& path) { return s.fs.createdBy[path]; }
};

const std::string kUnixText = "p = [...\n'/a:', ...\n%%% END ENTRIES %%%\n];\n";

TEST(SameFileTest, AUsersLinkToAnotherUsersCopyDoesNotHideIt) {
  SameFileHarness run;
  run.s.fs.AddFile(run.aliceCopy, kUnixText);
  run.s.fs.links[run.evilCopy] = run.aliceCopy;
  run.Go();
  EXPECT_EQ(run.result, kExitSuccess);
  EXPECT_NE(run.s.fs.files[run.aliceCopy].find("'/opt/tb:'"), std::string::npos);
  EXPECT_EQ(run.Editor(run.aliceCopy), "alice");
  EXPECT_EQ(run.report, "changed " + run.evilCopy + "\nchanged " + run.aliceCopy + "\n");
}

TEST(SameFileTest, TwoUsersLinkingToAFileOfRootsLeaveItAlone) {
  SameFileHarness run;
  run.s.fs.AddFile("/etc/shadowlike", kUnixText);
  run.s.fs.links[run.evilCopy] = "/etc/shadowlike";
  run.s.fs.links[run.aliceCopy] = "/etc/shadowlike";
  run.Go();
  EXPECT_EQ(run.s.fs.files["/etc/shadowlike"], kUnixText);
  EXPECT_FALSE(run.s.fs.Exists("/etc/pathdef.new"));
  EXPECT_EQ(run.result, kExitNotFound);  // nothing this run could update
  EXPECT_EQ(run.report, "skipped " + run.evilCopy + "\nskipped " + run.aliceCopy + "\n");
}

TEST(SameFileTest, AUsersOctavePrefixLinkedToTheSystemsDoesNotHideIt) {
  SameFileHarness run;
  const std::string system = "/usr/share/octave/site/m/startup/octaverc";
  const std::string evilStartup = "/home/evil/oct/share/octave/site/m/startup";
  run.s.fs.AddFile(system, "% site\n");
  run.s.fs.dirs.insert(evilStartup);
  run.s.fs.GiveTo("/home/evil/oct", "evil", 1001);
  run.s.fs.realFolders[evilStartup] = "/usr/share/octave/site/m/startup";
  run.s.octave.prefixes = {"/home/evil/oct", "/usr"};
  run.s.users.homes.clear();
  run.options.octave = true;
  run.Go();
  EXPECT_EQ(run.result, kExitSuccess);
  EXPECT_NE(run.s.fs.files[system].find("/opt/tb"), std::string::npos);
  EXPECT_EQ(run.Editor(system), "");  // root's own
  EXPECT_EQ(run.report, "changed " + evilStartup + "/octaverc\nchanged " + system + "\n");
}

}  // namespace
}  // namespace vorex
