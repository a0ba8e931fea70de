// A run with rights edits each file with the rights of whoever controls its place: a file that
// another user planted can neither change what it leads to nor fail the run.
#include <gtest/gtest.h>

#include "base/paths.h"
#include "pathdef/edit_file.h"
#include "pathdef/place.h"
#include "support/fake_file_system.h"
#include "support/pass_harness.h"

namespace vorex {
namespace {

using testing::FakeFileSystem;
using testing::PassHarness;
using Op = FakeFileSystem::Op;

const std::string kText = "p = [...\n'/a:', ...\n%%% END ENTRIES %%%\n];\n";
const std::string kEdited = "p = [...\n'/a:', ...\n\t'/b:',...\n%%% END ENTRIES %%%\n];\n";
const std::string kRootConf = "[ -x /bin/sh ]\n]\n";
const std::string kReal = "/opt/M/toolbox/local/pathdef.m";
const std::string kUserFile = "/home/evil/x/local/pathdef.m";

TEST(FoldersOf, EveryFolderFromTheRootDown) {
  EXPECT_EQ(FoldersOf("/a/b/pathdef.m", PathRules::Posix()), (std::vector<std::string>{"/", "/a", "/a/b"}));
  EXPECT_EQ(FoldersOf("C:\\x\\local\\pathdef.m", PathRules::Windows()),
            (std::vector<std::string>{"C:\\", "C:\\x", "C:\\x\\local"}));
  EXPECT_EQ(FoldersOf("/pathdef.m", PathRules::Posix()), (std::vector<std::string>{"/"}));
}

// A machine with a real installation, a user's folder and root's own files.
struct Machine {
  FakeFileSystem fs;
  Machine() {
    fs.withRights = true;
    fs.AddFile(kReal, kText);
    fs.AddFile("/etc/rootconf", kRootConf);
    fs.AddFile("/root/secret", kRootConf);
    fs.privateFiles.insert("/root/secret");
    for (const char* dir : {"/home", "/home/evil", "/home/evil/x", "/home/evil/x/local"}) fs.dirs.insert(dir);
    for (const char* dir : {"/home/evil", "/home/evil/x", "/home/evil/x/local"}) fs.GiveTo(dir, "evil");
  }
  // ADD /b (and ADD /c when asked) over the user's file, then the real installation.
  int Add(PassHarness& h, bool twoCommands = false) {
    h.commands = twoCommands ? StringList{"ADD", "ADD"} : StringList{"ADD"};
    h.paths = twoCommands ? StringList{"/b", "/c"} : StringList{"/b"};
    return h.Add({kUserFile, kReal});
  }
  bool NothingOfRootsChanged() {
    return fs.files["/etc/rootconf"] == kRootConf && fs.files["/root/secret"] == kRootConf &&
           !fs.Exists("/etc/pathdef.new") && !fs.Exists("/etc/pathdef.bak") && !fs.Exists("/root/pathdef.new") &&
           !fs.Exists("/root/pathdef.bak");
  }
};

// Planted links and odd files in the user's folder: the user's own rights refuse them, the file
// is skipped with its reason, and the real installation after it is still edited.
TEST(EditAuthority, PlantedFilesAreSkippedAndTheRunGoesOn) {
  struct Case {
    const char* name;
    std::function<void(FakeFileSystem&)> plant;
    const char* reason;
  } cases[] = {
      {"link to root's private file", [](FakeFileSystem& fs) { fs.links[kUserFile] = "/root/secret"; },
       "read /root/secret: Permission denied"},
      {"link to root's readable file", [](FakeFileSystem& fs) { fs.links[kUserFile] = "/etc/rootconf"; },
       "create /etc/pathdef.new: Permission denied"},
      {"link to the real installation", [](FakeFileSystem& fs) { fs.links[kUserFile] = kReal; },
       "create /opt/M/toolbox/local/pathdef.new: Permission denied"},
      {"link that leads nowhere", [](FakeFileSystem& fs) { fs.links[kUserFile] = "/nowhere"; },
       "follow link /home/evil/x/local/pathdef.m: the link leads nowhere"},
      {"fifo", [](FakeFileSystem& fs) { fs.specials.insert(kUserFile); }, "not a regular file"},
      {"no insertion point", [](FakeFileSystem& fs) { fs.AddFile(kUserFile, "x = 1;\n"); },
       "edit "
       "/home/evil/x/local/pathdef.m: no"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Machine m;
    c.plant(m.fs);
    PassHarness h(PathRules::Posix(), m.fs);
    EXPECT_EQ(m.Add(h, true), 1);
    EXPECT_TRUE(m.NothingOfRootsChanged());
    // The real installation: edited once per command, by root.
    EXPECT_NE(m.fs.files[kReal].find("'/c:'"), std::string::npos);
    EXPECT_EQ(m.fs.createdBy.count(kReal), 0u);
    ASSERT_EQ(h.SkipLines().size(), 1u);
    EXPECT_EQ(h.SkipLines()[0].rfind("Skipped: " + kUserFile + ": ", 0), 0u) << h.SkipLines()[0];
    EXPECT_NE(h.SkipLines()[0].find(c.reason), std::string::npos) << h.SkipLines()[0];
    EXPECT_TRUE(h.problems.empty());
    std::string log = h.Log();
    EXPECT_NE(log.find("As evil: " + kUserFile + "\n"), std::string::npos);
    EXPECT_NE(log.find(h.SkipLines()[0] + "\n"), std::string::npos);
    EXPECT_EQ(log.find("Failed: "), std::string::npos);
    // Taken up once: the second command leaves the skipped file alone. Restored after.
    EXPECT_EQ(m.fs.identityLog, (std::vector<std::string>{"as evil", "own"}));
    EXPECT_TRUE(m.fs.actingAs.empty());
  }
}

TEST(EditAuthority, AUsersOwnFileIsEditedAsThatUser) {
  Machine m;
  m.fs.AddFile(kUserFile, kText);
  std::string seenAs;
  PassHarness h(PathRules::Posix(), m.fs);
  Outcome r = h.Edit(kUserFile, [&](std::string_view text, std::string* out, std::string*) {
    seenAs = m.fs.actingAs;
    *out = std::string(text) + "%\n";
    return true;
  });
  EXPECT_EQ(r, Outcome::kChanged);
  EXPECT_EQ(seenAs, "evil");
  EXPECT_EQ(m.fs.files[kUserFile], kText + "%\n");
  EXPECT_EQ(m.fs.createdBy[kUserFile], "evil");
  EXPECT_EQ(m.fs.identityLog, (std::vector<std::string>{"as evil", "own"}));
}

// Whatever step fails while acting as the user, the run gets its own rights back, the file keeps
// its text and the run does not fail.
TEST(EditAuthority, EveryFailureAsTheUserIsASkipWithRightsRestored) {
  for (Op op : {Op::kOpen, Op::kLock, Op::kRead, Op::kCreate, Op::kWrite, Op::kClose, Op::kHardLink, Op::kRenameOver,
                Op::kActAs}) {
    SCOPED_TRACE(testing::OpName(op));
    Machine m;
    m.fs.AddFile(kUserFile, kText);
    m.fs.FailOn(op, 1, op == Op::kActAs ? "evil" : "/home/evil");
    PassHarness h(PathRules::Posix(), m.fs);
    EXPECT_EQ(m.Add(h), 1);
    EXPECT_EQ(m.fs.files[kUserFile], kText);
    EXPECT_FALSE(m.fs.Exists("/home/evil/x/local/pathdef.new"));
    EXPECT_TRUE(m.fs.actingAs.empty());
    if (!m.fs.identityLog.empty()) {
      EXPECT_EQ(m.fs.identityLog.back(), "own");
    }
    ASSERT_EQ(h.SkipLines().size(), 1u);
    EXPECT_NE(h.SkipLines()[0].find("injected failure"), std::string::npos) << h.SkipLines()[0];
    EXPECT_EQ(m.fs.files[kReal], kEdited);
  }
}

TEST(EditAuthority, WithoutRightsNothingIsLookedAtAndAFailureFails) {
  Machine m;
  m.fs.withRights = false;
  m.fs.links[kUserFile] = "/root/secret";
  m.fs.privateFiles.clear();
  m.fs.FailOn(Op::kCreate, 1, "/root");
  PassHarness h(PathRules::Posix(), m.fs);
  EXPECT_EQ(m.Add(h), 0);
  EXPECT_TRUE(m.fs.identityLog.empty());
  EXPECT_TRUE(h.SkipLines().empty());
  ASSERT_EQ(h.problems.size(), 1u);
  EXPECT_EQ(h.problems[0], "Failed: create /root/pathdef.new: injected failure");
}

TEST(EditAuthority, AFolderOthersMayChangeIsPinnedAndItsLinkNotFollowed) {
  Machine m;
  m.fs.sharedDirs.insert("/opt");
  std::string pinnedDuringEdit;
  PassHarness h(PathRules::Posix(), m.fs);
  auto transform = [&](std::string_view text, std::string* out, std::string*) {
    pinnedDuringEdit = m.fs.pinned.empty() ? "" : *m.fs.pinned.begin();
    *out = std::string(text) + "%\n";
    return true;
  };
  EXPECT_EQ(h.Edit(kReal, transform), Outcome::kChanged);
  EXPECT_EQ(pinnedDuringEdit, "/opt/M/toolbox/local");
  EXPECT_TRUE(m.fs.pinned.empty());
  EXPECT_TRUE(m.fs.identityLog.empty());

  m.fs.files.erase(kReal);
  m.fs.links[kReal] = "/etc/rootconf";
  EXPECT_EQ(h.Edit(kReal, transform), Outcome::kSkipped);
  EXPECT_TRUE(m.NothingOfRootsChanged());

  // A folder that cannot be pinned (a link swapped in on the way) is the run's failure.
  m.fs.links.clear();
  m.fs.AddFile(kReal, kText);
  m.fs.FailOn(Op::kPin);
  EXPECT_EQ(h.Edit(kReal, transform), Outcome::kFailed);
  EXPECT_EQ(h.problems.back(), "Failed: open /opt/M/toolbox/local: injected failure");
}

// Where the platform cannot take on the user's rights, a link in the user's place is refused
// and a plain file is edited without following anything.
TEST(EditAuthority, WithoutPerThreadIdentityLinksInAUsersPlaceAreRefused) {
  Machine m;
  m.fs.supportsActAs = false;
  m.fs.links[kUserFile] = "/etc/rootconf";
  PassHarness h(PathRules::Posix(), m.fs);
  EXPECT_EQ(m.Add(h), 1);
  EXPECT_TRUE(m.NothingOfRootsChanged());
  ASSERT_EQ(h.SkipLines().size(), 1u);
  EXPECT_EQ(h.SkipLines()[0], "Skipped: " + kUserFile + ": a symbolic link in another user's folder is not followed");

  Machine plain;
  plain.fs.supportsActAs = false;
  plain.fs.AddFile(kUserFile, kText);
  PassHarness h2(PathRules::Posix(), plain.fs);
  EXPECT_EQ(plain.Add(h2), 1);
  EXPECT_EQ(plain.fs.files[kUserFile], kEdited);
}

// Root's own link that leads into a user's folder: the place it leads to decides.
TEST(EditAuthority, RootsLinkIntoAUsersPlaceIsEditedAsThatUser) {
  Machine m;
  m.fs.AddFile("/home/evil/x/local/target.m", kText);
  m.fs.links[kReal] = "/home/evil/x/local/target.m";
  PassHarness h(PathRules::Posix(), m.fs);
  EXPECT_EQ(h.Edit(kReal,
                   [](std::string_view text, std::string* out, std::string*) {
                     *out = std::string(text) + "%\n";
                     return true;
                   }),
            Outcome::kChanged);
  EXPECT_EQ(m.fs.identityLog, (std::vector<std::string>{"as evil", "own"}));
  EXPECT_NE(h.Log().find("As evil: " + kReal + "\n"), std::string::npos);
}

// A link of root's on the way into a user's folder (/opt/MATLAB/R2024a leading to
// /home/evil/inst/m): the folder as it really is decides, so a swap there by the user cannot
// make root write anything.
TEST(EditAuthority, AFolderReachedThroughALinkIsJudgedAsItReallyIs) {
  Machine m;
  const std::string found = "/opt/MATLAB/R2024a/toolbox/local/pathdef.m";
  m.fs.AddFile(found, kText);
  for (const char* dir :
       {"/home/evil/inst", "/home/evil/inst/m", "/home/evil/inst/m/toolbox", "/home/evil/inst/m/toolbox/local"})
    m.fs.dirs.insert(dir);
  m.fs.GiveTo("/home/evil/inst", "evil");
  m.fs.realFolders["/opt/MATLAB/R2024a/toolbox/local"] = "/home/evil/inst/m/toolbox/local";
  PassHarness h(PathRules::Posix(), m.fs);
  h.commands = {"ADD"};
  h.paths = {"/b"};
  EXPECT_EQ(h.Add({found}), 1);
  EXPECT_EQ(m.fs.identityLog, (std::vector<std::string>{"as evil", "own"}));
  EXPECT_NE(h.Log().find("As evil: " + found + "\n"), std::string::npos);
}

}  // namespace
}  // namespace vorex

namespace vorex {
namespace {

// In a folder others may change, whatever stands at pathdef.m that is not a plain file is
// somebody's plant: skipped like a link, and the installations after it are still edited.
TEST(EditAuthority, OddEntriesInASharedPlaceAreSkippedAndTheRunGoesOn) {
  const std::string shared = "/usr/local/M/toolbox/local/pathdef.m";
  for (const char* plant : {"fifo", "folder", "link"}) {
    SCOPED_TRACE(plant);
    Machine m;
    m.fs.sharedDirs.insert("/usr/local");
    if (std::string(plant) == "fifo") m.fs.specials.insert(shared);
    if (std::string(plant) == "folder") m.fs.dirs.insert(shared);
    if (std::string(plant) == "link") m.fs.links[shared] = "/etc/rootconf";
    for (const char* dir : {"/usr", "/usr/local", "/usr/local/M", "/usr/local/M/toolbox", "/usr/local/M/toolbox/local"})
      m.fs.dirs.insert(dir);
    PassHarness h(PathRules::Posix(), m.fs);
    h.commands = {"ADD"};
    h.paths = {"/b"};
    EXPECT_EQ(h.Add({shared, kReal}), 1);
    EXPECT_EQ(h.edits[0].outcome, Outcome::kSkipped);
    EXPECT_EQ(m.fs.files[kReal], kEdited);
    EXPECT_TRUE(h.problems.empty());
    EXPECT_TRUE(m.NothingOfRootsChanged());
  }
}

// A sticky folder writable by everyone keeps others from root's entries but not from making
// their own: above the file it changes nothing, as the file's own folder it is shared, so a link
// planted at a missing pathdef.m is not followed.
TEST(EditAuthority, AStickyFolderIsSharedOnlyWhereTheFileIs) {
  Machine m;
  m.fs.stickyDirs.insert("/opt");
  Authority authority;
  std::string why;
  PassHarness h(PathRules::Posix(), m.fs);
  ASSERT_TRUE(DecideAuthority(h.platform, kReal, &authority, &why)) << why;
  EXPECT_EQ(authority.kind, PlaceKind::kOwn);

  m.fs.stickyDirs.insert("/opt/M/toolbox/local");
  ASSERT_TRUE(DecideAuthority(h.platform, kReal, &authority, &why)) << why;
  EXPECT_EQ(authority.kind, PlaceKind::kShared);
  m.fs.files.erase(kReal);
  m.fs.links[kReal] = "/root/secret";
  h.commands = {"ADD"};
  h.paths = {"/b"};
  EXPECT_EQ(h.Add({kReal}), 1);
  EXPECT_EQ(h.edits[0].outcome, Outcome::kSkipped);
  EXPECT_TRUE(m.NothingOfRootsChanged());
}

}  // namespace
}  // namespace vorex
