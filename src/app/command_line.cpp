#include "app/command_line.h"

#include <array>
#include <string_view>

#include "base/ascii.h"
#include "base/messages.h"
#include "pathdef/pathdef_text.h"

namespace vorex {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

enum class Option { kCommand, kPath, kMatlabRoot, kLog, kSilent, kCheck, kOctave };

constexpr std::array<std::pair<std::string_view, Option>, 7> kOptions{{
    {"-command", Option::kCommand},
    {"-path", Option::kPath},
    {"-matlabroot", Option::kMatlabRoot},
    {"-log", Option::kLog},
    {"-silent", Option::kSilent},
    {"-check", Option::kCheck},
    {"-octave", Option::kOctave},
}};

// Where the arguments begin: just past the program's own path, which is never searched.
std::size_t SkipProgramPath(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && IsBlank(line[i])) ++i;
  if (i < line.size() && line[i] == '"') {
    std::size_t close = line.find('"', i + 1);
    return close == std::string_view::npos ? line.size() : close + 1;
  }
  while (i < line.size() && !IsBlank(line[i])) ++i;
  return i;
}

// An option word stands alone: a blank before it and a blank (or the end of the line) after it.
const std::pair<std::string_view, Option>* OptionWordAt(std::string_view line, std::size_t i) {
  if (i == 0 || i >= line.size() || line[i] != '-' || !IsBlank(line[i - 1])) return nullptr;
  for (const auto& option : kOptions) {
    std::size_t end = i + option.first.size();
    if (line.compare(i, option.first.size(), option.first) == 0 && (end == line.size() || IsBlank(line[end])))
      return &option;
  }
  return nullptr;
}

std::size_t SkipBlanks(std::string_view line, std::size_t i) {
  while (i < line.size() && IsBlank(line[i])) ++i;
  return i;
}

std::string TrimBlanks(std::string_view text) {
  std::size_t b = SkipBlanks(text, 0), e = text.size();
  while (e > b && IsBlank(text[e - 1])) --e;
  return std::string(text.substr(b, e - b));
}

// A value that opens with a double quote is protected up to its partner: the first later quote
// after which only blanks stand before the end of the line or the next option word. Returns the
// partner's position, or npos for a quote without one (which is then an ordinary character).
std::size_t ClosingQuote(std::string_view line, std::size_t open) {
  for (std::size_t c = line.find('"', open + 1); c != std::string_view::npos; c = line.find('"', c + 1)) {
    std::size_t next = SkipBlanks(line, c + 1);
    if (next == line.size() || (next > c + 1 && OptionWordAt(line, next))) return c;
  }
  return std::string_view::npos;
}

struct Value {
  Option option;
  std::string text;
};

// Each option word with its value: up to the next option word, or what its pair of quotes holds.
std::vector<Value> CutValues(std::string_view line) {
  std::vector<Value> values;
  // The value of the option found last while it is unquoted: it runs to the next option word.
  std::size_t openIndex = 0, openStart = 0;
  bool open = false;
  auto closeOpen = [&](std::size_t end) {
    if (open) values[openIndex].text = TrimBlanks(line.substr(openStart, end - openStart));
    open = false;
  };
  for (std::size_t i = SkipProgramPath(line); i < line.size(); ++i) {
    const auto* word = OptionWordAt(line, i);
    if (!word) continue;
    closeOpen(i);
    std::size_t valueStart = i + word->first.size();
    values.push_back({word->second, {}});
    std::size_t v = SkipBlanks(line, valueStart);
    std::size_t close = v < line.size() && line[v] == '"' ? ClosingQuote(line, v) : std::string_view::npos;
    if (close != std::string_view::npos) {
      values.back().text = std::string(line.substr(v + 1, close - v - 1));
      i = close;
      continue;
    }
    open = true;
    openIndex = values.size() - 1;
    openStart = valueStart;
    i = valueStart - 1;
  }
  closeOpen(line.size());
  return values;
}

// --help, -h or --version asked for alone.
ParsedCommandLine::Request RequestOf(std::string_view word) {
  if (word == "--help" || word == "-h") return ParsedCommandLine::Request::kHelp;
  if (word == "--version") return ParsedCommandLine::Request::kVersion;
  return ParsedCommandLine::Request::kRun;
}

const std::pair<std::string_view, Option>* WholeOptionWord(std::string_view arg) {
  for (const auto& option : kOptions)
    if (arg == option.first) return &option;
  return nullptr;
}

// Each option word with its value, from arguments that are each taken whole.
std::vector<Value> ArgumentValues(const std::vector<std::string>& args) {
  std::vector<Value> values;
  bool joined = false;  // whether the value found last holds an argument yet
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (const auto* word = WholeOptionWord(args[i])) {
      values.push_back({word->second, {}});
      joined = false;
    } else if (!values.empty()) {  // words before the first option are ignored, as on one line
      if (joined) values.back().text += ' ';
      values.back().text += args[i];
      joined = true;
    }
  }
  for (Value& value : values) {
    value.text = TrimBlanks(value.text);
    // A pair of quotes around the whole value is taken off, as on one line.
    if (value.text.size() >= 2 && value.text.front() == '"' && value.text.back() == '"')
      value.text = value.text.substr(1, value.text.size() - 2);
  }
  return values;
}

// On POSIX every other value names a directory, relative ones once made absolute.
bool OnlyBlanks(std::string_view text) {
  return SkipBlanks(text, 0) == text.size();
}

// Each switch is on only when its first occurrence says "on" (any case): -log always worked so,
// and a caller who knows one switch knows them all.
void SetSwitch(int& value, bool& seen, const std::string& text) {
  if (!seen && EqualsIgnoreCase(text, "on")) value = 1;
  seen = true;
}

struct SwitchesSeen {
  bool log = false;
  bool silent = false;
  bool check = false;
  bool octave = false;
};

void Apply(const Value& cut, ParsedCommandLine& parsed, SwitchesSeen& seen) {
  const std::string& value = cut.text;
  switch (cut.option) {
    case Option::kCommand:
      parsed.commands.insert(parsed.commands.begin(), value);
      break;
    case Option::kPath:
      parsed.paths.insert(parsed.paths.begin(), value);
      break;
    case Option::kMatlabRoot:
      // Unlike the pairs, kept in the order given: the installations are edited in that order.
      parsed.matlabRoots.push_back(value);
      break;
    case Option::kLog:
      SetSwitch(parsed.logSwitch, seen.log, value);
      break;
    case Option::kSilent:
      SetSwitch(parsed.silentSwitch, seen.silent, value);
      break;
    case Option::kCheck:
      SetSwitch(parsed.checkSwitch, seen.check, value);
      break;
    case Option::kOctave:
      SetSwitch(parsed.octaveSwitch, seen.octave, value);
      break;
  }
}

// What makes the pairs and roots unusable; empty when nothing does.
std::string ProblemOf(const ParsedCommandLine& parsed, bool (*blank)(std::string_view)) {
  if (parsed.commands.empty() || parsed.paths.empty()) return problem::NoPair();
  if (parsed.commands.size() != parsed.paths.size())
    return problem::Unpaired(parsed.commands.size(), parsed.paths.size());
  for (const std::string& command : parsed.commands)
    if (!EqualsIgnoreCase(command, "ADD") && !EqualsIgnoreCase(command, "REMOVE"))
      return problem::UnknownCommand(command);
  for (const std::string& path : parsed.paths)
    if (blank(path)) return problem::EmptyDirectory();
  // An empty -matlabroot is a slip in a script (an unset variable), not a wish to edit every
  // installation found. A root is taken as given on both systems, so only blanks leave nothing.
  for (const std::string& root : parsed.matlabRoots)
    if (OnlyBlanks(root)) return problem::EmptyMatlabRoot();
  return {};
}

// The pairs and switches that the values give, and what makes them unusable. `blank` tells the
// directories that name nothing.
ParsedCommandLine FromValues(const std::vector<Value>& values, bool (*blank)(std::string_view)) {
  ParsedCommandLine parsed;
  SwitchesSeen seen;
  for (const Value& cut : values) Apply(cut, parsed, seen);
  parsed.problem = ProblemOf(parsed, blank);
  return parsed;
}

}  // namespace

ParsedCommandLine ParseCommandLine(const std::string& line) {
  std::string_view rest = std::string_view(line).substr(SkipProgramPath(line));
  std::string firstWord = TrimBlanks(rest.substr(0, rest.find_first_of(" \t", SkipBlanks(rest, 0))));
  if (TrimBlanks(rest) == firstWord && RequestOf(firstWord) != ParsedCommandLine::Request::kRun) {
    ParsedCommandLine parsed;
    parsed.request = RequestOf(firstWord);
    return parsed;
  }
  // Windows drops the trim characters from a name, so "." or ";" leaves nothing.
  return FromValues(CutValues(line), IsBlankDirectory);
}

ParsedCommandLine ParseArguments(const std::vector<std::string>& args) {
  if (args.size() == 2 && RequestOf(args[1]) != ParsedCommandLine::Request::kRun) {
    ParsedCommandLine parsed;
    parsed.request = RequestOf(args[1]);
    return parsed;
  }
  // "." and ".." name directories here: only a value of nothing but blanks is empty.
  return FromValues(ArgumentValues(args), OnlyBlanks);
}

namespace {

// The directory made absolute against `cwd`, with "." and ".." taken out as text.
std::string Absolute(const std::string& dir, const std::string& cwd) {
  std::vector<std::string> parts;
  std::string joined = cwd + "/" + dir;
  std::size_t pos = 0;
  while (pos <= joined.size()) {
    std::size_t slash = joined.find('/', pos);
    if (slash == std::string::npos) slash = joined.size();
    std::string part = joined.substr(pos, slash - pos);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    pos = slash + 1;
  }
  std::string out;
  for (const std::string& part : parts) out += "/" + part;
  return out.empty() ? "/" : out;
}

// What -path and -matlabroot values share: no line break, and on POSIX no ~ and nothing relative.
// `colonAllowed` is false for the directories written into pathdef.m, where ":" separates entries.
std::string CheckDirectoryList(StringList& dirs, const PathRules& rules, const std::string& currentDirectory,
                               bool colonAllowed) {
  for (std::string& dir : dirs) {
    if (dir.empty()) continue;
    // A line break would end the entry's line in pathdef.m and break the file; in an
    // installation's folder it would split the log's lines, and no real folder holds one.
    if (dir.find_first_of(std::string_view("\n\r\0", 3)) != std::string::npos) return problem::LineBreakInDirectory();
    if (!rules.ChecksPosixDirectories()) continue;  // Windows keeps its own rules for what names a directory
    // ~ is the shell's to expand; one that reaches us unexpanded (quoted) names no folder anybody meant.
    if (dir.front() == '~') return problem::TildeDirectory(dir);
    if (dir.front() != '/') {
      if (currentDirectory.empty() || currentDirectory.front() != '/')
        return problem::RelativeWithoutCurrentDirectory(dir);
      dir = Absolute(dir, currentDirectory);
    }
    if (!colonAllowed && dir.find(':') != std::string::npos) return problem::ColonInDirectory(dir);
  }
  return {};
}

}  // namespace

std::string CheckDirectories(StringList& paths, const PathRules& rules, const std::string& currentDirectory) {
  return CheckDirectoryList(paths, rules, currentDirectory, false);
}

std::string CheckMatlabRoots(StringList& roots, const PathRules& rules, const std::string& currentDirectory) {
  // A root is only opened, never written into pathdef.m, so a ":" in its name harms nothing.
  return CheckDirectoryList(roots, rules, currentDirectory, true);
}

}  // namespace vorex
