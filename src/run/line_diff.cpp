#include "run/line_diff.h"

#include <algorithm>

#include "pathdef/pathdef_text.h"

namespace vorex {

namespace {

using Lines = std::vector<std::string_view>;

// Past this many changed lines the shortest script is not looked for (its search keeps a row of
// this width for every change).
constexpr int kMostChanges = 1000;

Lines SplitIntoLines(std::string_view text) {
  Lines lines;
  for (const TextLine& line : SplitLines(text)) lines.push_back(line.text);
  return lines;
}

// Walks the rows of the search back from the end: the script, last change first.
std::vector<LineChange> Backtrack(const Lines& a, const Lines& b, const std::vector<std::vector<int>>& rows,
                                  int offset) {
  std::vector<LineChange> script;
  int x = static_cast<int>(a.size()), y = static_cast<int>(b.size());
  for (int d = static_cast<int>(rows.size()) - 1; d >= 0; --d) {
    const std::vector<int>& v = rows[d];
    int k = x - y;
    int prevK = (k == -d || (k != d && v[offset + k - 1] < v[offset + k + 1])) ? k + 1 : k - 1;
    int prevX = d == 0 ? 0 : v[offset + prevK];
    int prevY = prevX - prevK;
    for (; x > prevX && y > prevY; --x, --y) script.push_back({LineChange::Kind::kSame, a[x - 1]});
    if (d > 0 && x == prevX) script.push_back({LineChange::Kind::kAdded, b[y - 1]});
    if (d > 0 && x != prevX) script.push_back({LineChange::Kind::kRemoved, a[x - 1]});
    x = prevX;
    y = prevY;
  }
  std::reverse(script.begin(), script.end());
  return script;
}

// The shortest script (the greedy search for the furthest reaching path); false past the limit.
bool ShortestScript(const Lines& a, const Lines& b, std::vector<LineChange>* script) {
  const int n = static_cast<int>(a.size()), m = static_cast<int>(b.size());
  const int limit = std::min(n + m, kMostChanges);
  const int offset = limit + 1;
  std::vector<int> v(2 * static_cast<std::size_t>(limit) + 3, 0);
  std::vector<std::vector<int>> rows;
  for (int d = 0; d <= limit; ++d) {
    rows.push_back(v);
    for (int k = -d; k <= d; k += 2) {
      int x =
          (k == -d || (k != d && v[offset + k - 1] < v[offset + k + 1])) ? v[offset + k + 1] : v[offset + k - 1] + 1;
      int y = x - k;
      while (x < n && y < m && a[x] == b[y]) ++x, ++y;
      v[offset + k] = x;
      if (x >= n && y >= m) {
        *script = Backtrack(a, b, rows, offset);
        return true;
      }
    }
  }
  return false;
}

// The lines between a common start and a common end, as removed and added.
std::vector<LineChange> AroundCommonEnds(const Lines& a, const Lines& b) {
  std::size_t start = 0;
  while (start < a.size() && start < b.size() && a[start] == b[start]) ++start;
  std::size_t end = 0;
  while (end < a.size() - start && end < b.size() - start && a[a.size() - 1 - end] == b[b.size() - 1 - end]) ++end;
  std::vector<LineChange> script;
  for (std::size_t i = 0; i < start; ++i) script.push_back({LineChange::Kind::kSame, a[i]});
  for (std::size_t i = start; i < a.size() - end; ++i) script.push_back({LineChange::Kind::kRemoved, a[i]});
  for (std::size_t i = start; i < b.size() - end; ++i) script.push_back({LineChange::Kind::kAdded, b[i]});
  for (std::size_t i = a.size() - end; i < a.size(); ++i) script.push_back({LineChange::Kind::kSame, a[i]});
  return script;
}

std::string Range(std::size_t start, std::size_t count) {
  // A hunk that holds no line of a side names the line before it.
  return std::to_string(count == 0 ? start : start + 1) + "," + std::to_string(count);
}

}  // namespace

std::vector<LineChange> DiffLines(std::string_view before, std::string_view after) {
  Lines a = SplitIntoLines(before), b = SplitIntoLines(after);
  std::vector<LineChange> script;
  if (ShortestScript(a, b, &script)) return script;
  return AroundCommonEnds(a, b);
}

std::vector<std::string> LinesOf(const std::vector<LineChange>& changes, LineChange::Kind kind) {
  std::vector<std::string> lines;
  for (const LineChange& change : changes)
    if (change.kind == kind) lines.emplace_back(change.line);
  return lines;
}

std::string UnifiedDiff(const std::vector<LineChange>& changes, const std::string& name) {
  constexpr std::size_t kContext = 3;
  std::string diff;
  std::size_t i = 0;
  std::size_t oldLine = 0, newLine = 0;  // lines of each side before changes[i]
  while (i < changes.size()) {
    if (changes[i].kind == LineChange::Kind::kSame) {
      ++oldLine, ++newLine, ++i;
      continue;
    }
    // A hunk: context before, the changes, and context after, joined while the gaps are small.
    std::size_t from = i - std::min(i, kContext);
    while (from < i && changes[from].kind != LineChange::Kind::kSame) ++from;
    std::size_t to = i, sameRun = 0;
    for (; to < changes.size() && sameRun <= 2 * kContext; ++to)
      sameRun = changes[to].kind == LineChange::Kind::kSame ? sameRun + 1 : 0;
    to -= sameRun > kContext ? sameRun - kContext : 0;
    std::size_t oldStart = oldLine - (i - from), newStart = newLine - (i - from), oldCount = 0, newCount = 0;
    std::string body;
    for (std::size_t j = from; j < to; ++j) {
      const LineChange& c = changes[j];
      char mark = c.kind == LineChange::Kind::kSame ? ' ' : c.kind == LineChange::Kind::kAdded ? '+' : '-';
      body += mark + std::string(c.line) + "\n";
      oldCount += c.kind != LineChange::Kind::kAdded;
      newCount += c.kind != LineChange::Kind::kRemoved;
    }
    diff += "@@ -" + Range(oldStart, oldCount) + " +" + Range(newStart, newCount) + " @@\n" + body;
    for (; i < to; ++i) {
      oldLine += changes[i].kind != LineChange::Kind::kAdded;
      newLine += changes[i].kind != LineChange::Kind::kRemoved;
    }
  }
  return diff.empty() ? diff : "--- " + name + "\n+++ " + name + "\n" + diff;
}

}  // namespace vorex
