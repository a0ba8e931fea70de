#pragma once
#include <functional>
#include <string>
#include <string_view>

#include "pathdef/edit_passes.h"

namespace vorex {

// One file's read-edit-replace cycle:
//  - a pathdef.m that is a symbolic link is edited through it: its target is replaced, and the
//    target's directory gets pathdef.new and pathdef.bak; the link itself stays as it was;
//  - the target's directory is locked first, so no other run edits the file meanwhile, and the
//    text is read only then (a second run edits the first one's result);
//  - the transformed text goes to a fresh pathdef.new (whatever had that name is removed first),
//    is flushed to disk and only then takes the place of pathdef.m, the old file becoming
//    pathdef.bak.
// A transform that returns false fails the file, with `why` as its reason. Every failed step is
// reported through ctx. On failure pathdef.m keeps its old text and pathdef.new is removed; only
// when the replacement itself went wrong half way (pathdef.m gone) is pathdef.new kept, and the
// log says so.
//
// A run with rights first asks whose place the file lies in (see edit_place.h):
//  - root's or its own: the cycle above;
//  - another user's: the whole cycle runs with that user's rights ("As <user>: <path>" in the
//    log), so the system itself refuses what the user could not do; where the platform cannot
//    take on a user's rights, a link there is not followed. Whatever fails is not the run's
//    failure: the file is skipped ("Skipped: <path>: <reason>") and left alone for the rest of
//    the run;
//  - root's, but in a folder that others may change: the folder is pinned, and a link at
//    pathdef.m is not followed (the file is skipped).
// A pathdef.m that is a link in a place of the first kind leads to a place that decides anew.
// A run without rights edits every file with its own rights, and a file it cannot edit fails.
using TextTransform = std::function<bool(std::string_view text, std::string* out, std::string* why)>;
// kUnchanged: the edit left the text as it was, and the file was not touched at all (no
// pathdef.new, no backup, the same file with the same times).
enum class EditResult { kChanged, kUnchanged, kFailed, kSkipped };
inline bool Succeeded(EditResult r) {
  return r == EditResult::kChanged || r == EditResult::kUnchanged;
}
EditResult EditOneFile(const EditContext& ctx, const std::string& path, const TextTransform& transform);

}  // namespace vorex
