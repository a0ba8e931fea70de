#include "pathdef/edit_passes.h"

#include "pathdef/entry_text.h"
#include "pathdef/octave_block.h"
#include "pathdef/pathdef_text.h"

namespace vorex {

namespace {

// A file that failed or was skipped keeps its fault to itself: no later command takes it up,
// and the files after it are edited as if it were not there.
bool TakenUp(const FileEdit& edit) {
  return edit.file.missing.empty() && edit.outcome != Outcome::kSkipped && edit.outcome != Outcome::kFailed;
}

// One directory of an ADD command, in the forms the edit needs.
struct AddedDirectory {
  std::string shown;  // in the log
  std::string key;    // decides whether the directory is listed (DirectoryKey)
  // What the entry names: the directory as given, except where the platform itself ignores what
  // the trim takes off (Windows).
  std::string entry;
};

AddedDirectory Added(const std::string& dir, const PathRules& rules) {
  AddedDirectory added;
  added.shown = rules.IgnoreCase() ? AsciiLowerCopy(dir) : dir;
  added.key = DirectoryKey(dir, rules);
  added.entry = rules.WritesKeyAsEntry() ? added.key : dir;
  return added;
}

TextTransform AddTransform(FileKind kind, const AddedDirectory& dir, const PathRules& rules, DiagnosticLog& log) {
  return [kind, &dir, rules, &log](std::string_view text, std::string* out, std::string* why) {
    if (kind == FileKind::kOctaveStartup) {
      if (AddToOctaveBlock(text, dir.entry, rules, out)) return true;
      *why = kBrokenOctaveBlock;
      return false;
    }
    if (AddEntryToText(text, dir.key, dir.entry, rules, log, out) != AddOutcome::kNoInsertionPoint) return true;
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

void RemovePass(const std::string& path, std::vector<FileEdit>& files, FileEditor& editor) {
  const PathRules& rules = editor.Rules();
  std::string dir = WithoutTrailingSeparator(path);
  std::string shown = rules.IgnoreCase() ? AsciiLowerCopy(dir) : dir;
  for (FileEdit& edit : files) {
    if (!TakenUp(edit)) continue;
    editor.Log().WriteLog("UnModify: " + OneLine(edit.file.path) + " for " + shown);
    editor.Edit(edit, RemoveTransform(edit.file.kind, dir, rules, editor.Log()));
  }
}

void AddPass(const std::string& path, std::vector<FileEdit>& files, FileEditor& editor) {
  const PathRules& rules = editor.Rules();
  AddedDirectory dir = Added(path, rules);
  std::size_t position = 0;  // among the files that exist
  for (FileEdit& edit : files) {
    if (!edit.file.missing.empty()) continue;
    bool first = position++ == 0;
    if (!TakenUp(edit)) continue;
    // The first file's line names the directory as given, the others' its key.
    editor.Log().WriteLog("Modify: " + OneLine(edit.file.path) + " for " + (first ? dir.shown : dir.key));
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
}

}  // namespace vorex
