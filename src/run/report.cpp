#include "run/report.h"

#include "base/ascii.h"

namespace vorex {

std::string OutcomeWord(const FileEdit& edit) {
  if (!edit.taken) return "skipped";
  switch (edit.outcome) {
    case Outcome::kUnchanged:
      return "unchanged";
    case Outcome::kChanged:
      return "changed";
    case Outcome::kWouldChange:
      return "would change";
    case Outcome::kSkipped:
      return "skipped";
    case Outcome::kFailed:
      break;
  }
  return "failed";
}

std::string ReportText(const std::vector<FileEdit>& files) {
  std::string text;
  for (const FileEdit& edit : files) text += OutcomeWord(edit) + " " + OneLine(edit.file.path) + "\n";
  return text;
}

}  // namespace vorex
