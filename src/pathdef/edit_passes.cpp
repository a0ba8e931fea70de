#include "pathdef/edit_passes.h"

#include "pathdef/edit_file.h"
#include "pathdef/entry_text.h"
#include "pathdef/octave_block.h"
#include "pathdef/pathdef_text.h"

namespace vorex {

int AddPathEntries(const EditContext& ctx, const StringList& foundFiles) {
  int result = 1;
  for (std::size_t i = 0; i < ctx.commands.size() && result == 1; ++i) {
    if (AsciiLowerCopy(ctx.commands[i]) != "add" || i >= ctx.paths.size()) continue;
    // A blank directory would match blank lines; it is never carried out.
    if (IsBlankDirectory(ctx.paths[i])) return 0;
    std::string shown = ctx.rules.IgnoreCase() ? AsciiLowerCopy(ctx.paths[i]) : ctx.paths[i];
    std::string key = DirectoryKey(ctx.paths[i], ctx.rules);
    for (std::size_t j = 0; j < foundFiles.size(); ++j) {
      if (ctx.Skipped(foundFiles[j])) continue;
      ctx.log.WriteLog("Modify: " + OneLine(foundFiles[j]) + " for " + (j == 0 ? shown : key));
      const bool octave = IsOctaveStartupFile(foundFiles[j], ctx.rules);
      EditResult edited =
          EditOneFile(ctx, foundFiles[j], [&](std::string_view text, std::string* out, std::string* why) {
            if (octave) {
              if (AddToOctaveBlock(text, ctx.paths[i], ctx.rules, out)) return true;
              *why = kBrokenOctaveBlock;
              return false;
            }
            if (AddEntryToText(text, ctx.paths[i], ctx.rules, ctx.log, out) != AddOutcome::kNoInsertionPoint)
              return true;
            *why = text.empty() ? "the file is empty"
                                : R"(no "%%% END ENTRIES %%%" line and no closing "]" to put the entry above)";
            return false;
          });
      if (edited == EditResult::kFailed) {
        result = 0;
        break;
      }
    }
  }
  return result;
}

int RemovePathEntries(const EditContext& ctx, const StringList& foundFiles) {
  int result = 1;
  for (std::size_t i = 0; i < ctx.commands.size(); ++i) {
    if (AsciiLowerCopy(ctx.commands[i]) != "remove" || i >= ctx.paths.size()) continue;
    if (IsBlankDirectory(ctx.paths[i])) return 0;
    std::string dir = WithoutTrailingSeparator(ctx.paths[i]);
    std::string shown = ctx.rules.IgnoreCase() ? AsciiLowerCopy(dir) : dir;
    for (std::size_t j = 0; j < foundFiles.size() && result == 1; ++j) {
      if (ctx.Skipped(foundFiles[j])) continue;
      ctx.log.WriteLog("UnModify: " + OneLine(foundFiles[j]) + " for " + shown);
      const bool octave = IsOctaveStartupFile(foundFiles[j], ctx.rules);
      EditResult edited =
          EditOneFile(ctx, foundFiles[j], [&](std::string_view text, std::string* out, std::string* why) {
            if (octave) {
              if (RemoveFromOctaveBlock(text, ctx.paths[i], ctx.rules, out)) return true;
              *why = kBrokenOctaveBlock;
              return false;
            }
            RemoveEntriesFromText(text, ctx.paths[i], ctx.rules, ctx.log, out);
            return true;
          });
      if (edited == EditResult::kFailed) result = 0;
    }
  }
  return result;
}

}  // namespace vorex
