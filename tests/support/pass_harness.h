#pragma once
// The edit of found files over a fault-injecting fake file system, with the log kept in it.
#include <string>
#include <vector>

#include "base/ascii.h"
#include "log/diagnostic_log.h"
#include "pathdef/commit.h"
#include "pathdef/edit_file.h"
#include "pathdef/edit_passes.h"
#include "platform/memory_registry.h"
#include "platform/sleeper.h"
#include "support/fake_file_system.h"
#include "support/open_log.h"

namespace vorex::testing {

struct PassHarness {
  static constexpr const char* kLogName = "vorex.log";

  FakeFileSystem ownFs;
  FakeFileSystem& fs;
  MemoryRegistry registry;
  NoSleeper sleeper;
  PathRules rules;
  PlatformServices platform;
  DiagnosticLog log;
  StringList commands;
  StringList paths;
  StringList problems;  // the "Failed: " lines the edits reported
  // -check on: the edits are recorded, not written.
  bool check = false;
  // What the last run did to each file.
  std::vector<FileEdit> edits;

  explicit PassHarness(PathRules r) : PassHarness(r, ownFs) {}
  // Over a file system the test has set up (and looks at) itself.
  PassHarness(PathRules r, FakeFileSystem& files)
      : fs(files), rules(r), platform{registry, fs, fs, sleeper, rules, "vorex", "", nullptr, nullptr, fs.withRights} {
    fs.AddFile(kLogName, "");
    OpenLog(log, fs, fs, kLogName, false);
  }

  // The found files as discovery gives them: an octaverc is GNU Octave's, the rest installations.
  static FoundFiles Found(const StringList& paths) {
    FoundFiles found;
    for (const std::string& path : paths) {
      bool octave = path.size() >= 8 && path.compare(path.size() - 8, 8, "octaverc") == 0;
      found.push_back({path, octave ? FileKind::kOctaveStartup : FileKind::kInstallation, {}, {}});
    }
    return found;
  }

  // The commands of one kind over the files; 1 when none failed.
  int Add(const StringList& files) { return Run(files, "ADD"); }
  int Remove(const StringList& files) { return Run(files, "REMOVE"); }
  int Run(const StringList& files, const std::string& only = "") {
    platform.withRights = fs.withRights;
    StringList c, p;
    for (std::size_t i = 0; i < commands.size() && i < paths.size(); ++i) {
      if (!only.empty() && AsciiLowerCopy(commands[i]) != AsciiLowerCopy(only)) continue;
      c.push_back(commands[i]);
      p.push_back(paths[i]);
    }
    WriteCommit write(fs);
    CheckCommit record;
    FileEditor editor(platform, log, check ? static_cast<Commit&>(record) : write);
    edits = EditsOf(Found(files));
    RunEditPasses(c, p, edits, editor);
    problems = editor.Problems();
    for (const FileEdit& edit : edits)
      if (edit.outcome == Outcome::kFailed) return 0;
    return 1;
  }

  // One command's edit of one file, with a transform of the test's own.
  Outcome Edit(const std::string& path, const TextTransform& transform) {
    platform.withRights = fs.withRights;
    WriteCommit write(fs);
    FileEditor editor(platform, log, write);
    edits = EditsOf(Found({path}));
    Outcome outcome = editor.Edit(edits[0], transform);
    problems = editor.Problems();
    return outcome;
  }

  // The "Skipped: " lines, one per file skipped.
  StringList SkipLines() const {
    StringList lines;
    for (const FileEdit& edit : edits)
      if (edit.outcome == Outcome::kSkipped) lines.push_back("Skipped: " + edit.file.path + ": " + edit.reason);
    return lines;
  }
  // What the log holds so far.
  std::string Log() {
    log.Flush();
    return fs.files[kLogName];
  }
};

}  // namespace vorex::testing
