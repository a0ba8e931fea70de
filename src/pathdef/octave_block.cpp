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

// The block's place among the lines: nullopt when there is none; false when it is broken.
bool FindBlock(const std::vector<TextLine>& lines, std::optional<Block>* block) {
  block->reset();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!IsLine(lines[i].text, kOctaveBlockBegin)) continue;
    for (std::size_t j = i + 1; j < lines.size(); ++j) {
      if (IsLine(lines[j].text, kOctaveBlockBegin)) return false;
      if (IsLine(lines[j].text, kOctaveBlockEnd)) {
        // One block only: a second one, or a stray marker after it, is not guessed at.
        for (std::size_t k = j + 1; k < lines.size(); ++k)
          if (IsLine(lines[k].text, kOctaveBlockBegin) || IsLine(lines[k].text, kOctaveBlockEnd)) return false;
        *block = Block{i, j};
        return true;
      }
    }
    return false;
  }
  return std::ranges::none_of(lines, [](const TextLine& line) { return IsLine(line.text, kOctaveBlockEnd); });
}

std::string AddpathLine(const std::string& dir) {
  return "addpath ('" + DoubleQuotes(dir) + "');";
}

// The directory an addpath line of the block names; empty for any other line.
std::string LineDirectory(std::string_view text) {
  std::string_view body = Trim(text, " \t");
  constexpr std::string_view kHead = "addpath ('";
  constexpr std::string_view kTail = "');";
  if (body.size() < kHead.size() + kTail.size() || body.substr(0, kHead.size()) != kHead ||
      body.substr(body.size() - kTail.size()) != kTail)
    return {};
  return UndoubleQuotes(body.substr(kHead.size(), body.size() - kHead.size() - kTail.size()));
}

bool SameDirectory(const std::string& a, const std::string& b, const PathRules& rules) {
  return rules.IgnoreCase() ? EqualsIgnoreCase(a, b) : a == b;
}

// `dir` itself or a directory beneath it.
bool AtOrBeneath(const std::string& candidate, const std::string& dir, const PathRules& rules) {
  if (SameDirectory(candidate, dir, rules)) return true;
  if (candidate.size() <= dir.size()) return false;
  if (!SameDirectory(candidate.substr(0, dir.size()), dir, rules)) return false;
  // The root and a directory given with its separator already end where the next name starts.
  if (!dir.empty() && rules.Separators().find(dir.back()) != std::string_view::npos) return true;
  return rules.Separators().find(candidate[dir.size()]) != std::string_view::npos;
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

bool IsOctaveStartupFile(const std::string& path, const PathRules& rules) {
  std::size_t slash = path.find_last_of(rules.Separators());
  std::string_view name = std::string_view(path).substr(slash == std::string::npos ? 0 : slash + 1);
  return rules.IgnoreCase() ? EqualsIgnoreCase(name, "octaverc") : name == "octaverc";
}

bool AddToOctaveBlock(std::string_view text, const std::string& dir, const PathRules& rules, std::string* out) {
  std::vector<TextLine> lines = SplitLines(text);
  std::optional<Block> block;
  if (!FindBlock(lines, &block)) return false;
  std::string_view eol = FileLineEnd(lines, rules);
  out->clear();
  if (!block) {
    *out = text;
    if (!text.empty() && text.back() != '\n' && text.back() != '\r') *out += eol;
    *out += std::string(kOctaveBlockBegin) + std::string(eol) + AddpathLine(dir) + std::string(eol) +
            std::string(kOctaveBlockEnd) + std::string(eol);
    return true;
  }
  for (std::size_t i = block->begin + 1; i < block->end; ++i) {
    std::string listed = LineDirectory(lines[i].text);
    if (!listed.empty() && SameDirectory(listed, dir, rules)) {
      *out = text;
      return true;
    }
  }
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i == block->end)
      *out += AddpathLine(dir) + std::string(lines[block->begin].eol.empty() ? eol : lines[block->begin].eol);
    Append(out, lines[i]);
  }
  return true;
}

bool RemoveFromOctaveBlock(std::string_view text, const std::string& dir, const PathRules& rules, std::string* out) {
  std::vector<TextLine> lines = SplitLines(text);
  std::optional<Block> block;
  if (!FindBlock(lines, &block)) return false;
  out->clear();
  if (!block) {
    *out = text;
    return true;
  }
  std::vector<bool> drop(lines.size(), false);
  bool kept = false;
  for (std::size_t i = block->begin + 1; i < block->end; ++i) {
    std::string listed = LineDirectory(lines[i].text);
    drop[i] = !listed.empty() && AtOrBeneath(listed, dir, rules);
    kept |= !drop[i];
  }
  // An emptied block goes as a whole.
  if (!kept) drop[block->begin] = drop[block->end] = true;
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (!drop[i]) Append(out, lines[i]);
  return true;
}

}  // namespace vorex
