// The ADD and REMOVE edits on arbitrary files and directories. Input: one byte that picks the
// rules (even: Windows, odd: POSIX), the directory up to the first NUL, then the file's text.
// Properties: ADD changes nothing but its one insertion (and, on Windows, the ':' that ends the
// directory of entry lines above the end marker); REMOVE never changes a line it keeps; ADD then REMOVE gives back the
// file as ADD left it apart from the entry (on POSIX: the original) whenever the original holds
// no entry of that directory or beneath it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "log/diagnostic_log.h"
#include "pathdef/edit_passes.h"
#include "pathdef/entry_text.h"
#include "pathdef/pathdef_text.h"

namespace {

using namespace vorex;

std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> lines;
  for (const TextLine& l : SplitLines(text)) lines.push_back(std::string(l.text) + std::string(l.eol));
  return lines;
}

// Each line's text; the end marker's line from the marker on, since an entry sharing that line
// is taken off it rather than dropped with it.
std::vector<std::string> Texts(std::string_view text) {
  std::vector<std::string> texts;
  for (const TextLine& l : SplitLines(text)) {
    std::size_t marker = MarkerIn(l.text, kEndEntriesMarker);
    texts.emplace_back(marker == std::string_view::npos ? l.text : l.text.substr(marker));
  }
  return texts;
}

// The index of the end marker's line, or the number of lines.
std::size_t MarkerLine(const std::vector<std::string>& lines) {
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (MarkerIn(lines[i], kEndEntriesMarker) != std::string::npos) return i;
  return lines.size();
}

// A marker with text around it on its line is rewritten on purpose; such files are left out of
// the exact comparisons.
bool MarkerStandsAlone(std::string_view text) {
  for (const TextLine& l : SplitLines(text)) {
    std::size_t p = MarkerIn(l.text, kEndEntriesMarker);
    if (p == std::string_view::npos) continue;
    return p == 0 && l.text.size() == kEndEntriesMarker.size() && !l.eol.empty();
  }
  return true;
}

bool IsSubsequence(const std::vector<std::string>& part, const std::vector<std::string>& whole) {
  std::size_t j = 0;
  for (const std::string& line : whole)
    if (j < part.size() && part[j] == line) ++j;
  return j == part.size();
}

// Whether `after` is `before` with one ':' before a quote turned ';'.
bool ColonConverted(const std::string& before, const std::string& after) {
  if (before.size() != after.size()) return false;
  std::size_t p = 0;
  while (p < before.size() && before[p] == after[p]) ++p;
  return p + 1 < before.size() && before[p] == ':' && after[p] == ';' && after[p + 1] == '\'' &&
         before.compare(p + 1, std::string::npos, after, p + 1) == 0;
}

// `after` is `before` line for line, apart from `inserted` lines that open a new entry; a line
// may differ in one ':' before a quote turned ';' only on Windows and only above the end marker.
// Returns `after` without the inserted lines, or aborts.
std::string Unconverted(const std::vector<std::string>& before, const std::vector<std::string>& after,
                        std::size_t inserted, const PathRules& rules) {
  if (after.size() != before.size() + inserted) std::abort();
  std::size_t marker = MarkerLine(before);
  std::string rest;
  for (std::size_t i = 0, j = 0; j < after.size(); ++j) {
    if (i < before.size() && after[j] == before[i]) {
      rest += after[j];
      ++i;
      continue;
    }
    if (i < before.size() && rules.ConvertsColonEntries() && i < marker && ColonConverted(before[i], after[j])) {
      rest += after[j];
      ++i;
      continue;
    }
    if (inserted == 0 || after[j].rfind("\t'", 0) != 0) std::abort();
    --inserted;
  }
  return rest;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  PathRules rules = (data[0] & 1) ? PathRules::Posix() : PathRules::Windows();
  std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
  std::size_t nul = rest.find('\0');
  if (nul == std::string::npos) return 0;
  std::string dir = rest.substr(0, nul);
  std::string text = rest.substr(nul + 1);
  DiagnosticLog log;  // closed: writes nothing

  // REMOVE keeps the other lines' text unchanged and in order, and no two of them become one,
  // in files with mixed line ends too.
  std::string removed;
  int dropped = RemoveEntriesFromText(text, dir, rules, log, &removed);
  std::vector<std::string> beforeTexts = Texts(text), afterTexts = Texts(removed);
  if (afterTexts.size() + static_cast<std::size_t>(dropped) != beforeTexts.size() ||
      !IsSubsequence(afterTexts, beforeTexts))
    std::abort();

  // What the command line lets through: no line break; on POSIX an absolute directory without ':'.
  if (DirectoryKey(dir, rules).empty() || dir.find_first_of("\r\n") != std::string::npos) return 0;
  if (rules.ChecksPosixDirectories() && (dir.front() != '/' || dir.find(':') != std::string::npos)) return 0;
  std::string added;
  AddOutcome outcome = AddEntryToText(text, dir, rules, log, &added);
  if (outcome == AddOutcome::kNoInsertionPoint || !MarkerStandsAlone(text)) return 0;
  std::vector<std::string> before = Lines(text), after = Lines(added);
  if (outcome == AddOutcome::kAlreadyListed) {
    Unconverted(before, after, 0, rules);
    return 0;
  }
  // A last line without a break gets one when the entry goes below it.
  if (!text.empty() && text.back() != '\n' && text.back() != '\r') return 0;
  std::string withoutEntry = Unconverted(before, after, 1, rules);

  // The round trip, when the original holds nothing of the directory.
  std::string probe;
  if (RemoveEntriesFromText(text, dir, rules, log, &probe) != 0) return 0;
  std::string back;
  RemoveEntriesFromText(added, dir, rules, log, &back);
  if (back != withoutEntry || (!rules.ConvertsColonEntries() && back != text)) std::abort();
  return 0;
}
