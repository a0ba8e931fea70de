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

// Writes the lines of the file with the new entry among them. The entry opens with the separator
// unless a line above it already ended the previous entry with one.
class EntryWriter {
 public:
  EntryWriter(const std::vector<TextLine>& lines, const PathRules& rules, const std::string& dir, std::string* out)
      : lines_(lines), rules_(rules), sep_(FileSeparator(lines, rules)), quotedDir_(DoubleQuotes(dir)), out_(out) {}

  // Copies line i; `tracking` while the entry is still to come, so that its separator follows
  // the lines above it.
  void Copy(std::size_t i, bool tracking) {
    if (tracking) sepFlag_ = lines_[i].text.find(sep_) != std::string_view::npos;
    *out_ += ConvertColon(lines_[i].text, rules_);
    *out_ += lines_[i].eol;
  }

  // The entry above line i (then line i itself), or in the place of the end marker on it.
  void Above(std::size_t i, bool atMarker) {
    if (atMarker) return AtMarker(i);
    *out_ += Entry(i);
    *out_ += ConvertColon(lines_[i].text, rules_);
    *out_ += lines_[i].eol;
  }

  // The entry below line i, which was copied already.
  void Below(std::size_t i) {
    if (lines_[i].eol.empty()) *out_ += ChooseEol(lines_, i, rules_);
    *out_ += Entry(i);
  }

 private:
  std::string Entry(std::size_t eolIndex) const {
    std::string e = "\t'";
    if (!sepFlag_) e += sep_;
    e += quotedDir_;
    e += sep_;
    e += "',...";
    e += ChooseEol(lines_, eolIndex, rules_);
    return e;
  }

  // Text before the marker (an entry sharing its line) stays a line of its own, the entry
  // follows, and the marker line keeps whatever followed the marker: nothing is lost and no line
  // is joined to the next. A list that closes on the marker's line keeps that line whole, with
  // the entry above it.
  void AtMarker(std::size_t i) {
    const TextLine& line = lines_[i];
    std::size_t at = line.text.find(kEndEntriesMarker);
    std::string_view before = line.text.substr(0, at);
    std::string_view markerLine = line.text;
    // The entry can follow that text only when the text goes on to the next line ("...");
    // otherwise it goes above the whole line, still inside the list.
    std::string_view lead = Trim(before, " \t");
    if (!lead.empty() && lead.find(']') == std::string_view::npos && lead.size() >= 3 &&
        lead.substr(lead.size() - 3) == "...") {
      *out_ += ConvertColon(before, rules_);
      *out_ += ChooseEol(lines_, i, rules_);
      markerLine = line.text.substr(at);
      // The entry now follows that text, as it would follow a line of its own.
      sepFlag_ = before.find(sep_) != std::string_view::npos;
    }
    *out_ += Entry(i);
    *out_ += markerLine;
    *out_ += line.eol;
  }

  const std::vector<TextLine>& lines_;
  const PathRules& rules_;
  const char sep_;
  const std::string quotedDir_;
  std::string* out_;
  bool sepFlag_ = false;
};

}  // namespace

AddOutcome AddEntryToText(std::string_view text, const std::string& key, const std::string& entryDir,
                          const PathRules& rules, DiagnosticLog& log, std::string* out) {
  std::vector<TextLine> lines = SplitLines(text);
  out->clear();
  out->reserve(text.size() + key.size() + 32);
  std::optional<InsertionPoint> point = FindInsertionPoint(lines);
  // Only lines up to the insertion point can show the directory as listed already.
  std::size_t lastChecked = point ? point->line : lines.size();
  EntryWriter writer(lines, rules, entryDir, out);
  bool done = false;
  bool inserted = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!done && i <= lastChecked && LineKey(lines[i].text, rules) == key) done = true;
    log.WriteLog(std::string(lines[i].text) + "\n");
    bool here = !done && point && i == point->line;
    if (here && !point->below) {
      writer.Above(i, point->atMarker);
    } else {
      writer.Copy(i, !done);
      if (here) writer.Below(i);
    }
    if (here) {
      log.WriteLog("Got closing brace");
      done = inserted = true;
    }
  }
  if (inserted) return AddOutcome::kInserted;
  return done ? AddOutcome::kAlreadyListed : AddOutcome::kNoInsertionPoint;
}
}  // namespace vorex
