#include "pathdef/entry_text.h"
#include "pathdef/pathdef_text.h"

namespace vorex {

namespace {

// What may follow the directory inside a quoted entry for the line to be its own or one beneath.
bool EndsDirectory(char c) {
  return c == '\\' || c == '/' || c == ';' || c == ':' || c == '\'';
}

// The directory must open a quoted entry: right after the quote, or after the separator that
// the leading-separator form of an entry puts there ('\';dir;\'').
bool StartsEntry(std::string_view line, std::size_t pos) {
  if (pos >= 1 && line[pos - 1] == '\'') return true;
  return pos >= 2 && (line[pos - 1] == ';' || line[pos - 1] == ':') && line[pos - 2] == '\'';
}

bool HoldsDirectory(std::string_view line, const std::string& dir) {
  for (std::size_t pos = line.find(dir); pos != std::string_view::npos; pos = line.find(dir, pos + 1)) {
    std::size_t after = pos + dir.size();
    if (StartsEntry(line, pos) && after < line.size() && EndsDirectory(line[after])) return true;
  }
  return false;
}

}  // namespace

std::string WithoutTrailingSeparator(std::string dir) {
  while (dir.size() > 1 && (dir.back() == '\\' || dir.back() == '/') && dir[dir.size() - 2] != ':') dir.pop_back();
  return dir;
}

namespace {

struct EntryRange {
  std::size_t first;
  std::size_t last;  // the end marker's line, or the number of lines in a file without it
};

// In a file with the markers only the lines between them are entries.
EntryRange EntryLines(const std::vector<TextLine>& lines) {
  std::size_t first = 0, last = lines.size();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].text.find(kEndEntriesMarker) != std::string_view::npos) {
      last = i;
      break;
    }
    if (lines[i].text.find(kBeginEntriesMarker) != std::string_view::npos) first = i + 1;
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

int RemoveEntriesFromText(std::string_view text, const std::string& dir, const PathRules& rules, DiagnosticLog& log,
                          std::string* out) {
  std::vector<TextLine> lines = SplitLines(text);
  EntryRange range = EntryLines(lines);
  std::string shown = rules.IgnoreCase() ? AsciiLowerCopy(dir) : dir;
  std::string needle = DoubleQuotes(shown);
  auto holds = [&](std::string_view line) {
    return HoldsDirectory(rules.IgnoreCase() ? AsciiLowerCopy(line) : std::string(line), needle);
  };
  out->clear();
  out->reserve(text.size());
  int dropped = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i >= range.first && i < range.last && holds(lines[i].text)) {
      log.WriteLog("Found: " + shown);
      ++dropped;
      continue;
    }
    std::string_view eol = KeptEnding(lines[i], *out);
    std::string_view kept = lines[i].text;
    if (i == range.last) {
      // An entry sharing the end marker's line goes; the marker and what follows it stay.
      std::size_t at = kept.find(kEndEntriesMarker);
      if (holds(kept.substr(0, at))) {
        log.WriteLog("Found: " + shown);
        kept = kept.substr(at);
      }
    }
    *out += kept;
    *out += eol;
  }
  return dropped;
}

}  // namespace vorex
