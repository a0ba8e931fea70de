#pragma once
// Edits on the real disk, as a run does them: the POSIX file system and identity under the
// core's edit sequence.
#include <string>
#include <vector>

#include "log/diagnostic_log.h"
#include "pathdef/commit.h"
#include "pathdef/edit_file.h"
#include "pathdef/edit_passes.h"
#include "platform/memory_registry.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_identity.h"
#include "platform/sleeper.h"

namespace vorex::testing {

struct PosixEditHarness {
  PosixFileSystem fs;
  PosixIdentity identity;
  MemoryRegistry registry;
  NoSleeper sleeper;
  PlatformServices platform{registry, fs, identity, sleeper, PathRules::Posix(), "vorex", "", nullptr, nullptr};
  DiagnosticLog log;  // not opened: writes go nowhere
  StringList problems;
  std::vector<FileEdit> edits;

  // One command's edit of one file, with a transform of the test's own.
  Outcome Edit(const std::string& path, const TextTransform& transform) {
    WriteCommit write(fs);
    FileEditor editor(platform, log, write);
    edits = EditsOf({{path, FileKind::kInstallation, {}, {}}});
    Outcome outcome = editor.Edit(edits[0], transform);
    problems = editor.Problems();
    return outcome;
  }
  // ADD of one directory; 1 when the file did not fail.
  int Add(const std::string& path, const std::string& dir) {
    WriteCommit write(fs);
    FileEditor editor(platform, log, write);
    std::vector<FileEdit> files = EditsOf({{path, FileKind::kInstallation, {}, {}}});
    RunEditPasses({"ADD"}, {dir}, files, editor);
    problems = editor.Problems();
    return files[0].outcome == Outcome::kFailed ? 0 : 1;
  }
};

}  // namespace vorex::testing
