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

// "/opt/x/" names the directory "/opt/x"; the root keeps its only '/'.
std::string WithoutTrailingSlash(std::string dir) {
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
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
  std::size_t close = open + 1;
  for (; close < line.size(); ++close) {
    if (line[close] != '\'') continue;
    if (close + 1 < line.size() && line[close + 1] == '\'') {
      ++close;  // a doubled quote belongs to the directory
      continue;
    }
    break;
  }
  if (close >= line.size()) return {};
  std::string_view inner = line.substr(open + 1, close - open - 1);
  if (!inner.empty() && IsEntrySeparator(inner.front())) inner.remove_prefix(1);
  if (!inner.empty() && IsEntrySeparator(inner.back())) inner.remove_suffix(1);
  return UndoubleQuotes(inner);
}

}  // namespace

std::string DirectoryKey(std::string_view dir, const PathRules& rules) {
  if (rules.ExactDirectoryKeys()) return WithoutTrailingSlash(std::string(dir));
  std::string lowered = rules.IgnoreCase() ? AsciiLowerCopy(dir) : std::string(dir);
  return std::string(Trim(lowered, kTrimSet));
}

std::string LineKey(std::string_view line, const PathRules& rules) {
  if (rules.ExactDirectoryKeys()) return WithoutTrailingSlash(EntryDirectory(line));
  std::string lowered = rules.IgnoreCase() ? AsciiLowerCopy(line) : std::string(line);
  return UndoubleQuotes(Trim(lowered, kTrimSet));
}

}  // namespace vorex
