#include "run/report.h"

#include <algorithm>

#include "base/ascii.h"
#include "run/line_diff.h"

namespace vorex {

namespace {

bool ChangesText(const FileEdit& edit) {
  return edit.outcome == Outcome::kChanged || edit.outcome == Outcome::kWouldChange;
}

// The diff of a file that changes, between what was first read and what the edits left.
std::vector<LineChange> ChangesOf(const FileEdit& edit, const std::vector<FileEdit>& files) {
  const FileEdit& edited = edit.sameAs ? files[*edit.sameAs] : edit;
  if (!ChangesText(edit) || !edited.read) return {};
  return DiffLines(edited.before, edited.after);
}

// One line, as OneLine makes it, but for its tabs.
std::string KeepingTabs(std::string_view line) {
  std::string out;
  for (std::size_t start = 0;;) {
    std::size_t tab = line.find('\t', start);
    out += OneLine(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
    if (tab == std::string_view::npos) return out;
    out += '\t';
    start = tab + 1;
  }
}

const char* KindName(FileKind kind) {
  switch (kind) {
    case FileKind::kInstallation:
      return "installation";
    case FileKind::kUserCopy:
      return "user copy";
    case FileKind::kOctaveStartup:
      break;
  }
  return "octave startup file";
}

std::string Hex(unsigned value, int digits) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out(static_cast<std::size_t>(digits), '0');
  for (int i = digits - 1; i >= 0; --i, value >>= 4) out[static_cast<std::size_t>(i)] = kDigits[value & 15];
  return out;
}

// The byte after a lead byte of three or four that keeps the sequence well formed: no overlong
// form, no encoded surrogate, nothing past U+10FFFF.
bool SecondByteFits(unsigned lead, unsigned second) {
  switch (lead) {
    case 0xe0:
      return second >= 0xa0;
    case 0xed:
      return second < 0xa0;
    case 0xf0:
      return second >= 0x90;
    case 0xf4:
      return second < 0x90;
    default:
      return true;
  }
}

// The length of the well-formed UTF-8 sequence at text[i], or 0.
std::size_t Utf8Length(std::string_view text, std::size_t i) {
  auto at = [&](std::size_t k) { return k < text.size() ? static_cast<unsigned char>(text[k]) : 0u; };
  unsigned c = at(i);
  std::size_t length = c >= 0xc2 && c <= 0xdf ? 2 : c >= 0xe0 && c <= 0xef ? 3 : c >= 0xf0 && c <= 0xf4 ? 4 : 0;
  for (std::size_t k = 1; k < length; ++k)
    if ((at(i + k) & 0xc0) != 0x80) return 0;
  return length > 2 && !SecondByteFits(c, at(i + 1)) ? 0 : length;
}

// One ASCII character as JSON.
void EscapeAscii(unsigned char c, std::string& out) {
  if (c == '"' || c == '\\') {
    out += '\\';
    out += static_cast<char>(c);
  } else if (c == '\n' || c == '\r' || c == '\t') {
    out += c == '\n' ? "\\n" : c == '\r' ? "\\r" : "\\t";
  } else if (c < 0x20 || c == 0x7f) {
    out += "\\u" + Hex(c, 4);
  } else {
    out += static_cast<char>(c);
  }
}

// One well-formed sequence: NEL, the other C1 controls and the line and paragraph separators
// escaped, so that no reader that splits lines cuts a string; the rest as it is.
void EscapeSequence(std::string_view sequence, std::string& out) {
  auto second = static_cast<unsigned char>(sequence[1]);
  if (sequence.size() == 2 && static_cast<unsigned char>(sequence[0]) == 0xc2 && second <= 0x9f) {
    out += "\\u00" + Hex(second, 2);
  } else if (sequence == "\xe2\x80\xa8" || sequence == "\xe2\x80\xa9") {
    out += sequence.back() == '\xa8' ? "\\u2028" : "\\u2029";
  } else {
    out += sequence;
  }
}

std::string JsonList(const std::vector<std::string>& items) {
  std::string out = "[";
  for (std::size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + JsonString(items[i]);
  return out + "]";
}

std::string JsonFile(const FileEdit& edit, const std::vector<FileEdit>& files, bool diffs) {
  std::vector<LineChange> changes = ChangesOf(edit, files);
  std::string owner = !edit.file.owner.empty() ? edit.file.owner : edit.editedAs;
  bool hasReason = edit.outcome == Outcome::kFailed || edit.outcome == Outcome::kSkipped;
  std::string out = "{\"path\": " + JsonString(edit.file.path);
  out += ", \"kind\": " + JsonString(KindName(edit.file.kind));
  out += ", \"owner\": " + (owner.empty() ? std::string("null") : JsonString(owner));
  out += ", \"outcome\": " + JsonString(OutcomeWord(edit));
  out += ", \"reason\": " + (hasReason ? JsonString(edit.reason.empty() ? "not edited" : edit.reason) : "null");
  out += ", \"added\": " + JsonList(LinesOf(changes, LineChange::Kind::kAdded));
  out += ", \"removed\": " + JsonList(LinesOf(changes, LineChange::Kind::kRemoved));
  if (diffs && !changes.empty()) out += ", \"diff\": " + JsonString(UnifiedDiff(changes, edit.file.path));
  return out + "}";
}

std::string JsonPairs(const RunRequest& request) {
  // The lists hold the pairs in the reverse of their order on the command line.
  std::string out = "[";
  std::size_t count = std::min(request.commands.size(), request.paths.size());
  for (std::size_t i = count; i-- > 0;) {
    out += std::string(i + 1 < count ? ", " : "") + "{\"command\": " + JsonString(AsciiUpperCopy(request.commands[i])) +
           ", \"path\": " + JsonString(request.paths[i]) + "}";
  }
  return out + "]";
}

}  // namespace

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

bool TookUpFiles(const RunResult& result) {
  return std::ranges::any_of(result.files, [](const FileEdit& edit) { return edit.file.missing.empty(); });
}

std::string ReportText(const std::vector<FileEdit>& files, bool diffs) {
  std::string text;
  for (const FileEdit& edit : files) {
    text += OutcomeWord(edit) + " " + OneLine(edit.file.path) + "\n";
    if (!diffs) continue;
    std::string diff = UnifiedDiff(ChangesOf(edit, files), edit.file.path);
    // A diff line is one line too; the tabs of entry lines are kept.
    for (std::size_t start = 0, end; start < diff.size(); start = end + 1) {
      end = diff.find('\n', start);
      text += KeepingTabs(std::string_view(diff).substr(start, end - start)) + "\n";
    }
  }
  return text;
}

std::string ReportJson(const RunRequest& request, const RunResult& result, bool diffs) {
  std::string out = R"({"format": 1, "status": )" + std::to_string(static_cast<int>(result.status));
  out += std::string(", \"check\": ") + (request.check ? "true" : "false");
  out += ", \"pairs\": " + JsonPairs(request) + ", \"files\": [";
  for (std::size_t i = 0; i < result.files.size(); ++i)
    out += (i ? ",\n  " : "\n  ") + JsonFile(result.files[i], result.files, diffs);
  out += result.files.empty() ? "]" : "\n]";
  out += ", \"problems\": " + JsonList(result.problems);
  out += ", \"message\": " + (result.message.empty() ? std::string("null") : JsonString(result.message));
  return out + "}\n";
}

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size(); ++i) {
    auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      EscapeAscii(c, out);
    } else if (std::size_t length = Utf8Length(text, i)) {
      EscapeSequence(text.substr(i, length), out);
      i += length - 1;
    } else {
      out += "\\udc" + Hex(c, 2);  // a byte that is no UTF-8: Python's surrogateescape
    }
  }
  return out + "\"";
}

}  // namespace vorex
