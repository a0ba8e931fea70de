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

std::string DirectoryKey(std::string_view dir, const PathRules& rules) {
  std::string lowered = rules.IgnoreCase() ? AsciiLowerCopy(dir) : std::string(dir);
  return std::string(Trim(lowered, rules.KeyTrimSet()));
}

std::string LineKey(std::string_view line, const PathRules& rules) {
  std::string lowered = rules.IgnoreCase() ? AsciiLowerCopy(line) : std::string(line);
  return UndoubleQuotes(Trim(lowered, rules.KeyTrimSet()));
}

}  // namespace vorex
