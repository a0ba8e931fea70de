#include "pathdef/edit_passes.h"

#include "pathdef/entry_text.h"
#include "pathdef/octave_block.h"
#include "pathdef/pathdef_text.h"

namespace vorex {

namespace {

// A file that failed or was skipped keeps its fault to itself: no later command takes it up,
// and the files after it are edited as if it were not there.
bool TakenUp(const FileEdit& edit) {
  return edit.file.missing.empty() && !edit.sameAs && edit.outcome != Outcome::kSkipped &&
         edit.outcome != Outcome::kFailed;
}

// The text edits take the directory as given and normalise it themselves, so that ADD and
// REMOVE compare and write it the same way.
TextTransform AddTransform(FileKind kind, const std::string& dir, const PathRules& rules, DiagnosticLog& log) {
  return [kind, &dir, rules, &log](std::string_view text, std::string* out, std::string* why) {
    if (kind == FileKind::kOctaveStartup) {
      if (AddToOctaveBlock(text, dir, rules, out)) return true;
      *why = kBrokenOctaveBlock;
      return false;
    }
    if (AddEntryToText(text, dir, rules, log, out) != AddOutcome::kNoInsertionPoint) return true;
    *why = text.empty() ? "the file is empty"
                        : R"(no "%%% END ENTRIES %%%" line and no closing "]" to put the entry above)";
    return false;
  };
}

TextTransform RemoveTransform(FileKind kind, const std::string& dir, const PathRules& rules, DiagnosticLog& log) {
  return [kind, &dir, rules, &log](std::string_view text, std::string* out, std::string* why) {
    if (kind == FileKind::kOctaveStartup) {
      if (RemoveFromOctaveBlock(text, dir, rules, out)) return true;
      *why = kBrokenOctaveBlock;
      return false;
    }
    RemoveEntriesFromText(text, dir, rules, log, out);
    return true;
  };
}

void RemovePass(const std::string& dir, std::vector<FileEdit>& files, FileEditor& editor) {
  const PathRules& rules = editor.Rules();
  std::string shown = ShownDirectory(dir, rules);
  for (FileEdit& edit : files) {
    if (!TakenUp(edit)) continue;
    editor.Log().WriteLog("UnModify: " + OneLine(edit.file.path) + " for " + OneLine(shown));
    editor.Edit(edit, RemoveTransform(edit.file.kind, dir, rules, editor.Log()));
  }
}

void AddPass(const std::string& dir, std::vector<FileEdit>& files, FileEditor& editor) {
  const PathRules& rules = editor.Rules();
  std::string shown = ShownDirectory(dir, rules);
  for (FileEdit& edit : files) {
    if (!TakenUp(edit)) continue;
    editor.Log().WriteLog("Modify: " + OneLine(edit.file.path) + " for " + OneLine(shown));
    editor.Edit(edit, AddTransform(edit.file.kind, dir, rules, editor.Log()));
  }
}

void RunPass(const char* command, const StringList& commands, const StringList& paths, std::vector<FileEdit>& files,
             FileEditor& editor, void (*pass)(const std::string&, std::vector<FileEdit>&, FileEditor&)) {
  for (std::size_t i = 0; i < commands.size() && i < paths.size(); ++i) {
    // A blank directory would match blank lines; it is never carried out.
    if (EqualsIgnoreCase(commands[i], command) && !IsBlankDirectory(paths[i])) pass(paths[i], files, editor);
  }
}

}  // namespace

void RunEditPasses(const StringList& commands, const StringList& paths, std::vector<FileEdit>& files,
                   FileEditor& editor) {
  RunPass("remove", commands, paths, files, editor, RemovePass);
  RunPass("add", commands, paths, files, editor, AddPass);
  for (FileEdit& edit : files) editor.Settle(edit);
  // A path that reaches a file edited by another path is that file.
  for (FileEdit& edit : files) {
    if (!edit.sameAs) continue;
    const FileEdit& same = files[*edit.sameAs];
    edit.outcome = same.outcome;
    edit.taken = same.taken;
    edit.reason = same.reason;
  }
}

}  // namespace vorex
