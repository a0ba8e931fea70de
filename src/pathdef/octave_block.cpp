#include "pathdef/octave_block.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "base/ascii.h"
#include "pathdef/pathdef_text.h"

namespace vorex {

namespace {

struct Block {
  std::size_t begin;  // index of the begin line
  std::size_t end;    // index of the end line
};

bool IsLine(std::string_view text, std::string_view marker) {
  return Trim(text, " \t") == marker;
}

// The block's place among the lines: nullopt when there is none; false when its markers are out
// of place. Exactly one begin line above exactly one end line, or neither: anything else (a cut
// block, a second one, a stray marker above or below) is not guessed at.
bool FindBlock(const std::vector<TextLine>& lines, std::optional<Block>* block) {
  block->reset();
  std::vector<std::size_t> begins, ends;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (IsLine(lines[i].text, kOctaveBlockBegin)) begins.push_back(i);
    if (IsLine(lines[i].text, kOctaveBlockEnd)) ends.push_back(i);
  }
  if (begins.empty() && ends.empty()) return true;
  if (begins.size() != 1 || ends.size() != 1 || begins[0] > ends[0]) return false;
  *block = Block{begins[0], ends[0]};
  return true;
}

std::string AddpathLine(const std::string& dir) {
  return "addpath ('" + DoubleQuotes(dir) + "', '-end');";
}

// The directory an addpath line of the block names; empty for any other line. The quoted
// directory ends at its first lone quote; what follows must be "', '-end');" or, as the version
// before wrote it, "');".
std::string LineDirectory(std::string_view text) {
  std::string_view body = Trim(text, " \t");
  constexpr std::string_view kHead = "addpath ('";
  if (body.substr(0, kHead.size()) != kHead) return {};
  std::size_t close = kHead.size();
  for (; close < body.size(); ++close) {
    if (body[close] != '\'') continue;
    if (close + 1 < body.size() && body[close + 1] == '\'') {
      ++close;
      continue;
    }
    break;
  }
  std::string_view tail = body.substr(std::min(close, body.size()));
  if (tail != "', '-end');" && tail != "');") return {};
  return UndoubleQuotes(body.substr(kHead.size(), close - kHead.size()));
}

// The key of the directory the line names; empty for any other line.
std::string LineKeyOf(std::string_view text, const PathRules& rules) {
  std::string dir = LineDirectory(text);
  return dir.empty() ? dir : DirectoryKey(dir, rules);
}

std::string_view FileLineEnd(const std::vector<TextLine>& lines, const PathRules& rules) {
  for (const TextLine& line : lines)
    if (!line.eol.empty()) return line.eol;
  return rules.LineBreak();
}

void Append(std::string* out, const TextLine& line) {
  *out += line.text;
  *out += line.eol;
}

}  // namespace

bool AddToOctaveBlock(std::string_view text, const std::string& dir, const PathRules& rules, std::string* out) {
  std::vector<TextLine> lines = SplitLines(text);
  std::optional<Block> block;
  if (!FindBlock(lines, &block)) return false;
  std::string key = DirectoryKey(dir, rules);
  std::string line = AddpathLine(rules.WritesKeyAsEntry() ? key : dir);
  std::string_view eol = FileLineEnd(lines, rules);
  *out = text;
  if (key.empty()) return true;
  if (!block) {
    if (!text.empty() && text.back() != '\n' && text.back() != '\r') *out += eol;
    *out += std::string(kOctaveBlockBegin) + std::string(eol) + line + std::string(eol) + std::string(kOctaveBlockEnd) +
            std::string(eol);
    return true;
  }
  for (std::size_t i = block->begin + 1; i < block->end; ++i)
    if (LineKeyOf(lines[i].text, rules) == key) return true;
  out->clear();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i == block->end) *out += line + std::string(lines[block->begin].eol.empty() ? eol : lines[block->begin].eol);
    Append(out, lines[i]);
  }
  return true;
}

bool RemoveFromOctaveBlock(std::string_view text, const std::string& dir, const PathRules& rules, std::string* out) {
  std::vector<TextLine> lines = SplitLines(text);
  std::optional<Block> block;
  if (!FindBlock(lines, &block)) return false;
  *out = text;
  std::string key = DirectoryKey(dir, rules);
  if (!block || key.empty()) return true;
  std::vector<bool> drop(lines.size(), false);
  bool kept = false;
  for (std::size_t i = block->begin + 1; i < block->end; ++i) {
    drop[i] = AtOrBeneath(LineKeyOf(lines[i].text, rules), key, rules);
    kept |= !drop[i];
  }
  // An emptied block goes as a whole.
  if (!kept) drop[block->begin] = drop[block->end] = true;
  out->clear();
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (!drop[i]) Append(out, lines[i]);
  return true;
}

}  // namespace vorex
