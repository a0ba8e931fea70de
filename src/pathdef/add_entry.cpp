#include <algorithm>
#include <optional>

#include "pathdef/entry_text.h"
#include "pathdef/pathdef_text.h"

namespace vorex {

namespace {

// The part of a line before its comment.
std::string_view CodeOf(std::string_view text) {
  return text.substr(0, std::min(CommentStart(text), text.size()));
}

bool IsEntryLine(std::string_view text) {
  std::string_view code = CodeOf(text);
  std::size_t first = code.find('\'');
  return first != std::string_view::npos && code.find('\'', first + 1) != std::string_view::npos;
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

// Windows turns the ':' that ends an entry line's directory into ';': the entries of a UNIX file
// end in the separator of the Windows path from then on. Only entries change: a line such as
// "separator = ':';" below the list is MATLAB's own and stays as it is.
std::string ConvertColon(std::string_view text, const PathRules& rules) {
  std::string out(text);
  std::size_t close = rules.ConvertsColonEntries() ? FirstStringEnd(text) : std::string_view::npos;
  if (close != std::string_view::npos && text[close - 1] == ':') out[close - 1] = ';';
  return out;
}

// Where the entry goes, and which lines form the list of entries.
struct Placement {
  enum class Where { kAtMarker, kAbove, kBelow };
  std::size_t line;  // the end marker's line, the closing "]" line, or the last entry above it
  Where where;
  // The entries are lines [first, last); the end marker's line may hold one before the marker.
  std::size_t first;
  std::size_t last;
};

// The first line whose comment holds the end marker, the list starting below the last begin
// marker above it. In a file without it, directly below the last entry line above the list's
// closing "]" line (or directly above that line when there is no entry).
std::optional<Placement> FindPlacement(const std::vector<TextLine>& lines) {
  std::size_t first = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (MarkerIn(lines[i].text, kEndEntriesMarker) != std::string_view::npos)
      return Placement{i, Placement::Where::kAtMarker, first, i};
    if (MarkerIn(lines[i].text, kBeginEntriesMarker) != std::string_view::npos) first = i + 1;
  }
  for (std::size_t close = 0; close < lines.size(); ++close) {
    std::string_view body = Trim(lines[close].text, " \t");
    if (body.empty() || body.front() != ']') continue;
    for (std::size_t i = close; i-- > 0;)
      if (IsEntryLine(lines[i].text)) return Placement{i, Placement::Where::kBelow, 0, close};
    return Placement{close, Placement::Where::kAbove, 0, close};
  }
  return std::nullopt;
}

// Writes the lines of the file with the new entry among them. The entry opens with the separator
// unless a line above it already ended the previous entry with one.
class EntryWriter {
 public:
  EntryWriter(const std::vector<TextLine>& lines, const PathRules& rules, const std::string& dir, std::string* out)
      : lines_(lines), rules_(rules), sep_(FileSeparator(lines, rules)), quotedDir_(DoubleQuotes(dir)), out_(out) {}

  // Copies line i, converted when it lies in the list; `tracking` while the entry is still to
  // come, so that its separator follows the lines above it.
  void Copy(std::size_t i, bool tracking, bool inList) {
    std::string written = inList ? ConvertColon(lines_[i].text, rules_) : std::string(lines_[i].text);
    if (tracking) sepFlag_ = written.find(sep_) != std::string::npos;
    *out_ += written;
    *out_ += lines_[i].eol;
  }

  // Line `place.line` with the entry: in the place of the end marker on it, above it, or below it.
  void Put(const Placement& place) {
    std::size_t i = place.line;
    switch (place.where) {
      case Placement::Where::kAtMarker:
        return AtMarker(i);
      case Placement::Where::kAbove:
        *out_ += Entry(i);
        *out_ += lines_[i].text;
        *out_ += lines_[i].eol;
        return;
      case Placement::Where::kBelow:
        Copy(i, true, i >= place.first && i < place.last);
        if (lines_[i].eol.empty()) *out_ += ChooseEol(lines_, i, rules_);
        *out_ += Entry(i);
        return;
    }
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
    std::size_t at = MarkerIn(line.text, kEndEntriesMarker);
    std::string_view before = line.text.substr(0, at);
    std::string_view markerLine = line.text;
    // The entry can follow that text only when the text goes on to the next line ("...");
    // otherwise it goes above the whole line, still inside the list.
    std::string_view lead = Trim(before, " \t");
    if (!lead.empty() && lead.find(']') == std::string_view::npos && lead.size() >= 3 &&
        lead.substr(lead.size() - 3) == "...") {
      std::string written = ConvertColon(before, rules_);
      *out_ += written;
      *out_ += ChooseEol(lines_, i, rules_);
      markerLine = line.text.substr(at);
      // The entry now follows that text, as it would follow a line of its own.
      sepFlag_ = written.find(sep_) != std::string::npos;
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

AddOutcome AddEntryToText(std::string_view text, const std::string& dir, const PathRules& rules, DiagnosticLog& log,
                          std::string* out) {
  std::string key = DirectoryKey(dir, rules);
  if (key.empty()) {
    *out = text;
    return AddOutcome::kAlreadyListed;
  }
  std::vector<TextLine> lines = SplitLines(text);
  out->clear();
  out->reserve(text.size() + dir.size() + 32);
  std::optional<Placement> place = FindPlacement(lines);
  // Only the list's lines up to the insertion point can show the directory as listed already;
  // in a file without a place for it, any line.
  Placement list = place.value_or(Placement{lines.size(), Placement::Where::kAbove, 0, 0});
  // Windows writes what it compares; POSIX names the directory exactly as given.
  EntryWriter writer(lines, rules, rules.WritesKeyAsEntry() ? key : dir, out);
  bool done = false;
  bool inserted = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!done && i >= list.first && i <= list.line && LineKey(lines[i].text, rules) == key) done = true;
    log.WriteLog(std::string(lines[i].text) + "\n");
    if (!done && place && i == place->line) {
      writer.Put(*place);
      log.WriteLog("Got closing brace");
      done = inserted = true;
      continue;
    }
    writer.Copy(i, !done, i >= list.first && i < list.last);
  }
  if (inserted) return AddOutcome::kInserted;
  return done ? AddOutcome::kAlreadyListed : AddOutcome::kNoInsertionPoint;
}
}  // namespace vorex
