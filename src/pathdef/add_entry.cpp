#include <optional>

#include "pathdef/entry_text.h"
#include "pathdef/pathdef_text.h"

namespace vorex {

namespace {

bool IsEntryLine(std::string_view text) {
  std::string_view body = Trim(text, " \t");
  if (body.empty() || body.front() == '%') return false;
  std::size_t first = body.find('\'');
  return first != std::string_view::npos && body.find('\'', first + 1) != std::string_view::npos;
}

// The separator the file's own entries end with: the character before the closing quote of an
// entry followed by its continuation.
char FileSeparator(const std::vector<TextLine>& lines, const PathRules& rules) {
  if (rules.ConvertsColonEntries()) return ';';
  for (const TextLine& line : lines) {
    if (!IsEntryLine(line.text)) continue;
    std::string_view body = Trim(line.text, " \t");
    if (body.size() < 3 || body.substr(body.size() - 3) != "...") continue;
    std::size_t quote = body.rfind('\'');
    if (quote != std::string_view::npos && quote > 0 && (body[quote - 1] == ':' || body[quote - 1] == ';'))
      return body[quote - 1];
  }
  return ':';
}

std::string_view ChooseEol(const std::vector<TextLine>& lines, std::size_t index, const PathRules& rules) {
  if (index < lines.size() && !lines[index].eol.empty()) return lines[index].eol;
  for (const TextLine& line : lines)
    if (!line.eol.empty()) return line.eol;
  return rules.LineBreak();
}

// Windows turns the first ":'" of every written line into ";'".
std::string ConvertColon(std::string_view text, const PathRules& rules) {
  std::string out(text);
  if (rules.ConvertsColonEntries()) {
    std::size_t pos = out.find(":'");
    if (pos != std::string::npos) out[pos] = ';';
  }
  return out;
}

struct InsertionPoint {
  std::size_t line;
  bool atMarker;  // the entry replaces the marker line; otherwise it goes below `line`
  bool below;
};

// The first line holding the end marker; in a file without it, directly below the last entry
// line above the list's closing "]" line (or directly above that line when there is no entry).
std::optional<InsertionPoint> FindInsertionPoint(const std::vector<TextLine>& lines) {
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (lines[i].text.find(kEndEntriesMarker) != std::string_view::npos) return InsertionPoint{i, true, false};
  for (std::size_t close = 0; close < lines.size(); ++close) {
    std::string_view body = Trim(lines[close].text, " \t");
    if (body.empty() || body.front() != ']') continue;
    for (std::size_t i = close; i-- > 0;)
      if (IsEntryLine(lines[i].text)) return InsertionPoint{i, false, true};
    return InsertionPoint{close, false, false};
  }
  return std::nullopt;
}

}  // namespace

AddOutcome AddEntryToText(std::string_view text, const std::string& key, const std::string& entryDir,
                          const PathRules& rules, DiagnosticLog& log, std::string* out) {
  std::vector<TextLine> lines = SplitLines(text);
  out->clear();
  out->reserve(text.size() + key.size() + 32);
  std::optional<InsertionPoint> point = FindInsertionPoint(lines);
  // Only lines up to the insertion point can show the directory as listed already.
  std::size_t lastChecked = point ? point->line : lines.size();
  char sep = FileSeparator(lines, rules);
  std::string quotedDir = DoubleQuotes(entryDir);

  bool done = false;
  bool inserted = false;
  bool sepFlag = false;
  auto entry = [&](std::size_t eolIndex) {
    std::string e = "\t'";
    if (!sepFlag) e += sep;
    e += quotedDir;
    e += sep;
    e += "',...";
    e += ChooseEol(lines, eolIndex, rules);
    return e;
  };

  for (std::size_t i = 0; i < lines.size(); ++i) {
    const TextLine& line = lines[i];
    if (!done && i <= lastChecked && LineKey(line.text, rules) == key) done = true;
    log.WriteLog(std::string(line.text) + "\n");
    if (!done && point && i == point->line && !point->below) {
      std::string e = entry(i);
      if (point->atMarker) {
        // Text before the marker (an entry sharing its line) stays a line of its own, the entry
        // follows, and the marker line keeps whatever followed the marker: nothing is lost and
        // no line is joined to the next. A list that closes on the marker's line keeps that line
        // whole, with the entry above it.
        std::size_t at = line.text.find(kEndEntriesMarker);
        std::string_view before = line.text.substr(0, at);
        std::string_view markerLine = line.text;
        // The entry can follow that text only when the text goes on to the next line ("...");
        // otherwise it goes above the whole line, still inside the list.
        std::string_view lead = Trim(before, " \t");
        if (!lead.empty() && lead.find(']') == std::string_view::npos && lead.size() >= 3 &&
            lead.substr(lead.size() - 3) == "...") {
          *out += ConvertColon(before, rules);
          *out += ChooseEol(lines, i, rules);
          markerLine = line.text.substr(at);
          // The entry now follows that text, as it would follow a line of its own.
          sepFlag = before.find(sep) != std::string_view::npos;
          e = entry(i);
        }
        *out += e;
        *out += markerLine;
        *out += line.eol;
      } else {
        *out += e;
        *out += ConvertColon(line.text, rules);
        *out += line.eol;
      }
      log.WriteLog("Got closing brace");
      done = inserted = true;
      continue;
    }
    if (!done) sepFlag = line.text.find(sep) != std::string_view::npos;
    *out += ConvertColon(line.text, rules);
    *out += line.eol;
    if (!done && point && i == point->line && point->below) {
      if (line.eol.empty()) *out += ChooseEol(lines, i, rules);
      *out += entry(i);
      log.WriteLog("Got closing brace");
      done = inserted = true;
    }
  }
  if (inserted) return AddOutcome::kInserted;
  return done ? AddOutcome::kAlreadyListed : AddOutcome::kNoInsertionPoint;
}
}  // namespace vorex
