#pragma once
// What an edit did to a file's lines: the lines taken out and put in, and the unified diff that
// configuration tools show (--diff).
#include <string>
#include <string_view>
#include <vector>

namespace vorex {

struct LineChange {
  enum class Kind { kSame, kRemoved, kAdded };
  Kind kind;
  std::string_view line;  // without its line end
};

// The shortest list of changes that turns `before` into `after`, line by line; the changes point
// into the two texts, which must outlive them. Files whose
// changes are many (more than a few thousand lines) get the lines between their common start and
// end as removed and added instead: the answer stays right, if not the shortest.
std::vector<LineChange> DiffLines(std::string_view before, std::string_view after);

// The removed and the added lines, in order.
std::vector<std::string> LinesOf(const std::vector<LineChange>& changes, LineChange::Kind kind);

// A unified diff with three lines of context, headed "--- <name>" and "+++ <name>"; empty when
// nothing changed. Every line ends in "\n".
std::string UnifiedDiff(const std::vector<LineChange>& changes, const std::string& name);

}  // namespace vorex
