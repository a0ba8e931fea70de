#include "pathdef/entry_text.h"
#include "pathdef/pathdef_text.h"

namespace vorex {

namespace {

struct EntryRange {
  std::size_t first;
  std::size_t last;  // the end marker's line, or the number of lines in a file without it
};

// In a file with the markers only the lines between them are entries. A marker counts only in a
// line's comment: inside a quoted entry its text is part of a directory's name.
EntryRange EntryLines(const std::vector<TextLine>& lines) {
  std::size_t first = 0, last = lines.size();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (MarkerIn(lines[i].text, kEndEntriesMarker) != std::string_view::npos) {
      last = i;
      break;
    }
    if (MarkerIn(lines[i].text, kBeginEntriesMarker) != std::string_view::npos) first = i + 1;
  }
  if (last == lines.size()) first = 0;
  return {first, last};
}

// A dropped line can bring a line ending in a lone CR next to an empty line ending in LF; written
// as they are, the two would read back as one CR LF line. The empty line takes the ending of the
// one before it instead. (They can only meet this way: unbroken, CR LF is one ending.)
std::string_view KeptEnding(const TextLine& line, const std::string& out) {
  if (line.text.empty() && line.eol == "\n" && !out.empty() && out.back() == '\r') return "\r";
  return line.eol;
}

}  // namespace

std::string ShownDirectory(const std::string& dir, const PathRules& rules) {
  return DirectoryKey(dir, rules);
}

int RemoveEntriesFromText(std::string_view text, const std::string& dir, const PathRules& rules, DiagnosticLog& log,
                          std::string* out) {
  std::vector<TextLine> lines = SplitLines(text);
  EntryRange range = EntryLines(lines);
  std::string key = DirectoryKey(dir, rules);
  auto holds = [&](std::string_view line) { return AtOrBeneath(LineKey(line, rules), key, rules); };
  out->clear();
  out->reserve(text.size());
  int dropped = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i >= range.first && i < range.last && holds(lines[i].text)) {
      log.WriteLog("Found: " + key);
      ++dropped;
      continue;
    }
    std::string_view eol = KeptEnding(lines[i], *out);
    std::string_view kept = lines[i].text;
    if (i == range.last) {
      // An entry sharing the end marker's line goes; the marker and what follows it stay.
      std::size_t at = MarkerIn(kept, kEndEntriesMarker);
      if (holds(kept.substr(0, at))) {
        log.WriteLog("Found: " + key);
        kept = kept.substr(at);
      }
    }
    *out += kept;
    *out += eol;
  }
  return dropped;
}

}  // namespace vorex
