#pragma once
// One file's edit, as one calling sequence:
//
//   place  = OpenPlace(file)        whose authority edits it; its folder, opened once (place.h)
//   locked = Lock(place)            the folder locked; a pathdef.m that is a link, where links are
//                                   followed, leads into a second folder and both are locked
//   text   = Read(locked)           only under the lock, so that a second run edits the first
//                                   one's result
//   edited = transform(text)        decide; an equal text leaves the file exactly as it is (no
//                                   new file, the backup of the last real change kept, same times)
//   commit.Apply(locked, edited)    write pathdef.new, flush it, keep the old file as pathdef.bak
//                                   and put the new one in its place; or, checking, record the
//                                   text for the next command (commit.h)
//
// Every step names its file relative to a folder the place opened, never by a path looked up
// again beside it. On any failure pathdef.m keeps its old text and pathdef.new is removed;
// only when the replacement went wrong half way (pathdef.m gone) is pathdef.new kept, and the
// log says so ("Kept: "). A failure fails the run ("Failed: <step> <path>: <why>"), or, in
// another user's place, skips the file ("Skipped: <path>: <why>"), which no later command takes
// up again.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/found_file.h"
#include "base/string_list.h"
#include "log/diagnostic_log.h"
#include "platform/services.h"

namespace vorex {

// What happened to a file: for one command, and for the run (the worst of its commands, in
// this order from best).
enum class Outcome { kUnchanged, kChanged, kWouldChange, kSkipped, kFailed };

// One found file, and what the run did to it so far.
struct FileEdit {
  FoundFile file;
  Outcome outcome = Outcome::kUnchanged;
  // Taken up by at least one command.
  bool taken = false;
  // kFailed, kSkipped: the first failed step, "<step> <path>: <why>", or why it was skipped.
  std::string reason;
  // The user whose rights edited it (a file in another user's place); empty otherwise.
  std::string editedAs;
  // Another found path that reaches the same file and is edited in its stead: this one shares
  // its outcome and is never taken up itself (FoldSameFiles).
  std::optional<std::size_t> sameAs;
  // The text as first read, and as the edits left it (checking: would leave it).
  bool read = false;
  std::string before;
  std::string after;
};

// The found files as the run starts on them; a named installation that is missing has failed.
std::vector<FileEdit> EditsOf(const FoundFiles& files);

// False fails the file, with `why` as its reason.
using TextTransform = std::function<bool(std::string_view text, std::string* out, std::string* why)>;

class Commit;
struct Failures;

class FileEditor {
 public:
  FileEditor(const PlatformServices& platform, DiagnosticLog& log, Commit& commit)
      : platform_(platform), log_(log), commit_(commit) {}
  // One command on one file: the whole sequence above. Returns what the command did and folds it
  // into edit.outcome.
  Outcome Edit(FileEdit& edit, const TextTransform& transform);
  // Once every command is done: the file's outcome for the report.
  void Settle(FileEdit& edit) const;
  // Every "Failed: " line so far, in order, for the user.
  const StringList& Problems() const { return problems_; }
  const PathRules& Rules() const { return platform_.rules; }
  DiagnosticLog& Log() { return log_; }

 private:
  Outcome Run(FileEdit& edit, const TextTransform& transform, Failures& failures);
  // A failed attempt: the file fails the run, or is skipped.
  Outcome Conclude(FileEdit& edit, const Failures& failures, bool skip);

  const PlatformServices& platform_;
  DiagnosticLog& log_;
  Commit& commit_;
  StringList problems_;
};

}  // namespace vorex
