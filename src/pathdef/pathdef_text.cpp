#include "pathdef/pathdef_text.h"

namespace vorex {

std::vector<TextLine> SplitLines(std::string_view contents) {
  // A line ends in CR LF, LF or a CR alone (old Mac files); mixed files keep each line's own.
  std::vector<TextLine> lines;
  std::size_t pos = 0;
  while (pos < contents.size()) {
    std::size_t brk = contents.find_first_of("\r\n", pos);
    if (brk == std::string_view::npos) {
      lines.push_back({contents.substr(pos), {}});
      break;
    }
    std::size_t eolSize = (contents[brk] == '\r' && brk + 1 < contents.size() && contents[brk + 1] == '\n') ? 2 : 1;
    lines.push_back({contents.substr(pos, brk - pos), contents.substr(brk, eolSize)});
    pos = brk + eolSize;
  }
  return lines;
}

std::string DoubleQuotes(std::string_view text) {
  std::string out;
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out;
}

std::string UndoubleQuotes(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    out += text[i];
    if (text[i] == '\'' && i + 1 < text.size() && text[i + 1] == '\'') ++i;
  }
  return out;
}

bool IsBlankDirectory(std::string_view dir) {
  return Trim(dir, kTrimSet).empty();
}

namespace {

bool IsNameCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// After a name, a closing bracket, a dot or another transpose, a single quote transposes.
bool QuoteTransposes(std::string_view line, std::size_t i) {
  if (i == 0) return false;
  char before = line[i - 1];
  return IsNameCharacter(before) || before == ')' || before == ']' || before == '}' || before == '.' || before == '\'';
}

// The quote that closes the string opening at `open` ('' or "" inside it stand for one quote);
// npos for a string that is not closed on its line.
std::size_t ClosingQuote(std::string_view line, std::size_t open) {
  char quote = line[open];
  for (std::size_t i = open + 1; i < line.size(); ++i) {
    if (line[i] != quote) continue;
    if (i + 1 < line.size() && line[i + 1] == quote) {
      ++i;
      continue;
    }
    return i;
  }
  return std::string_view::npos;
}

// "/opt/x/" names the directory "/opt/x"; the root keeps its only '/'.
std::string WithoutTrailingSlash(std::string dir) {
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
}

// Windows drops trailing dots and blanks from a name and a trailing separator from a folder, in
// turns: "Foo.\" and "Foo\." both name "foo". No name starts with ':', which an entry line
// could not tell from the separator that may open the first entry of a list.
std::string WindowsKey(std::string_view dir) {
  std::string key = AsciiLowerCopy(dir);
  for (;;) {
    std::string_view trimmed = Trim(key, kTrimSet);
    if (!trimmed.empty() && trimmed.front() == ':') trimmed.remove_prefix(1);
    std::string next = WithoutTrailingSeparator(std::string(trimmed));
    if (next == key) return key;
    key = std::move(next);
  }
}

bool IsEntrySeparator(char c) {
  return c == ':' || c == ';';
}

// The directory an entry line names: the text of the quoted string that opens the line, quotes
// undoubled, without the separator at its end (and the one at its start that the first entry
// of a list may have). Empty for any other line, such as matlabroot,'/toolbox/x:'.
std::string EntryDirectory(std::string_view line) {
  std::size_t open = line.find_first_not_of(" \t");
  if (open == std::string_view::npos || line[open] != '\'') return {};
  std::size_t close = ClosingQuote(line, open);
  if (close == std::string_view::npos) return {};
  std::string_view inner = line.substr(open + 1, close - open - 1);
  if (!inner.empty() && IsEntrySeparator(inner.front())) inner.remove_prefix(1);
  if (!inner.empty() && IsEntrySeparator(inner.back())) inner.remove_suffix(1);
  return UndoubleQuotes(inner);
}

bool IsRoot(std::string_view key, const PathRules& rules) {
  std::string_view separators = rules.Separators();
  if (key.size() == 1) return separators.find(key[0]) != std::string_view::npos;
  if (rules.ChecksPosixDirectories()) return false;
  // "c:" and "c:\": the drive itself.
  return key.size() <= 3 && key.size() >= 2 && key[1] == ':' &&
         (key.size() == 2 || separators.find(key[2]) != std::string_view::npos);
}

}  // namespace

std::size_t CommentStart(std::string_view line) {
  for (std::size_t i = 0; i < line.size();) {
    char c = line[i];
    if (c == '%') return i;
    if (c == '"' || (c == '\'' && !QuoteTransposes(line, i))) {
      std::size_t close = ClosingQuote(line, i);
      if (close == std::string_view::npos) return std::string_view::npos;  // the rest is the string's
      i = close + 1;
      continue;
    }
    ++i;
  }
  return std::string_view::npos;
}

std::size_t FirstStringEnd(std::string_view line) {
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '%') return std::string_view::npos;
    bool opens = line[i] == '"' || (line[i] == '\'' && !QuoteTransposes(line, i));
    if (!opens) continue;
    std::size_t close = ClosingQuote(line, i);
    if (line[i] == '\'' || close == std::string_view::npos) return close;
    i = close;
  }
  return std::string_view::npos;
}

std::size_t MarkerIn(std::string_view line, std::string_view marker) {
  std::size_t comment = CommentStart(line);
  return comment == std::string_view::npos ? std::string_view::npos : line.find(marker, comment);
}

std::string WithoutTrailingSeparator(std::string dir) {
  while (dir.size() > 1 && (dir.back() == '\\' || dir.back() == '/') && dir[dir.size() - 2] != ':') dir.pop_back();
  return dir;
}

std::string DirectoryKey(std::string_view dir, const PathRules& rules) {
  if (rules.ExactDirectoryKeys()) return WithoutTrailingSlash(std::string(dir));
  return WindowsKey(dir);
}

std::string LineKey(std::string_view line, const PathRules& rules) {
  std::string dir = EntryDirectory(line);
  return dir.empty() ? dir : DirectoryKey(dir, rules);
}

bool AtOrBeneath(std::string_view candidate, std::string_view dir, const PathRules& rules) {
  if (candidate.empty() || dir.empty()) return false;
  if (candidate == dir) return true;
  if (IsRoot(dir, rules) || candidate.size() <= dir.size() || candidate.substr(0, dir.size()) != dir) return false;
  return rules.Separators().find(candidate[dir.size()]) != std::string_view::npos;
}

}  // namespace vorex
