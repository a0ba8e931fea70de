// The ADD and REMOVE edits on arbitrary files and directories. Input: one byte that picks the
// rules (even: Windows, odd: POSIX), the directory up to the first NUL, then the file's text.
// Properties: ADD changes nothing but its one insertion (and, on Windows, the ":'" change);
// REMOVE never changes a line it keeps; ADD then REMOVE gives back the original lines whenever
// the original holds no entry of that directory or beneath it.
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
    std::size_t marker = l.text.find(kEndEntriesMarker);
    texts.emplace_back(marker == std::string_view::npos ? l.text : l.text.substr(marker));
  }
  return texts;
}

// The original as ADD copies it: on Windows the first ":'" of every line becomes ";'".
std::string Converted(std::string_view text, const PathRules& rules) {
  std::string out;
  for (const TextLine& l : SplitLines(text)) {
    std::string t(l.text);
    if (rules.ConvertsColonEntries()) {
      std::size_t p = t.find(":'");
      if (p != std::string::npos) t[p] = ';';
    }
    out += t + std::string(l.eol);
  }
  return out;
}

// A marker with text around it on its line is rewritten on purpose; such files are left out of
// the exact comparisons.
bool MarkerStandsAlone(std::string_view text) {
  for (const TextLine& l : SplitLines(text)) {
    std::size_t p = l.text.find(kEndEntriesMarker);
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
  if (!IsBlankDirectory(dir)) {
    int dropped = RemoveEntriesFromText(text, dir, rules, log, &removed);
    std::vector<std::string> before = Texts(text), after = Texts(removed);
    if (after.size() + static_cast<std::size_t>(dropped) != before.size() || !IsSubsequence(after, before))
      std::abort();
  }

  std::string key = DirectoryKey(dir, rules);
  if (key.empty() || dir.find_first_of("\r\n") != std::string::npos || key.find("%%%") != std::string::npos) return 0;
  // What the command line lets through: on POSIX an absolute directory without ':'.
  if (rules.ChecksPosixDirectories() && (dir.front() != '/' || dir.find(':') != std::string::npos)) return 0;
  std::string entry = rules.WritesKeyAsEntry() ? key : dir;
  std::string added;
  AddOutcome outcome = AddEntryToText(text, key, entry, rules, log, &added);
  if (outcome == AddOutcome::kNoInsertionPoint || !MarkerStandsAlone(text)) return 0;
  std::string expected = Converted(text, rules);
  if (outcome == AddOutcome::kAlreadyListed) {
    if (added != expected) std::abort();
    return 0;
  }
  // Exactly one line more, and without it the file is the original.
  std::vector<std::string> before = Lines(expected), after = Lines(added);
  if (after.size() != before.size() + 1 || !IsSubsequence(before, after)) {
    // A last line without a break gets one when the entry goes below it.
    if (text.empty() || text.back() == '\n' || text.back() == '\r') std::abort();
    return 0;
  }

  // The round trip, when the original holds nothing of the directory.
  std::string probe;
  if (RemoveEntriesFromText(text, entry, rules, log, &probe) != 0) return 0;
  std::string back;
  RemoveEntriesFromText(added, entry, rules, log, &back);
  if (back != expected) std::abort();
  return 0;
}
