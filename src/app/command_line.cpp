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

enum class Option {
  kCommand,
  kPath,
  kMatlabRoot,
  kLogFile,
  kLog,
  kSilent,
  kCheck,
  kOctave,
  kDiff,
  kNotFound,
  kReport,
};

struct OptionWord {
  std::string_view word;
  Option option;
  // A directory's value runs to the next option word, since a directory may hold blanks and
  // dashes; every other option takes one word.
  bool directory;
};

constexpr std::array<OptionWord, 11> kOptions{{
    {"-command", Option::kCommand, false},
    {"-path", Option::kPath, true},
    {"-matlabroot", Option::kMatlabRoot, true},
    {"-logfile", Option::kLogFile, true},
    {"-log", Option::kLog, false},
    {"-silent", Option::kSilent, false},
    {"-check", Option::kCheck, false},
    {"-octave", Option::kOctave, false},
    {"-diff", Option::kDiff, false},
    {"-notfound", Option::kNotFound, false},
    {"-report", Option::kReport, false},
}};

// The options that take one of two words; the first is what holds when the option is not given.
struct Choice {
  Option option;
  std::array<std::string_view, 2> words;
  std::string_view allowed;
};

constexpr std::array<Choice, 7> kChoices{{
    {Option::kLog, {"off", "on"}, "on or off"},
    {Option::kSilent, {"off", "on"}, "on or off"},
    {Option::kCheck, {"off", "on"}, "on or off"},
    {Option::kOctave, {"off", "on"}, "on or off"},
    {Option::kDiff, {"off", "on"}, "on or off"},
    {Option::kNotFound, {"fail", "ok"}, "ok or fail"},
    {Option::kReport, {"text", "json"}, "text or json"},
}};

struct Value {
  const OptionWord* option;
  std::string text;
};

// The option words with their values, or the problem that stopped the cut.
struct Cut {
  std::vector<Value> values;
  std::string problem;
};

bool StartsWithDash(std::string_view word) {
  return !word.empty() && word.front() == '-';
}

// A word standing where an option word must: before the first option only words without a dash
// are passed over (as they always were), anywhere else it is a mistake that the line names.
std::string StrayWord(std::string_view word, const std::vector<Value>& values) {
  if (StartsWithDash(word)) return problem::UnknownOption(std::string(word));
  if (values.empty()) return {};
  return problem::WordAfterValue(values.back().option->word, std::string(word));
}

// A pair of quotes around the whole value is taken off.
std::string Unquoted(std::string_view text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
  return std::string(text);
}

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
const OptionWord* OptionWordAt(std::string_view line, std::size_t i) {
  if (i == 0 || i >= line.size() || line[i] != '-' || !IsBlank(line[i - 1])) return nullptr;
  for (const OptionWord& option : kOptions) {
    std::size_t end = i + option.word.size();
    if (line.compare(i, option.word.size(), option.word) == 0 && (end == line.size() || IsBlank(line[end])))
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

// The word that starts at i: up to the next blank.
std::string_view WordAt(std::string_view line, std::size_t i) {
  std::size_t e = i;
  while (e < line.size() && !IsBlank(line[e])) ++e;
  return line.substr(i, e - i);
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

// A directory's value from `start` (just past its option word): what its pair of quotes holds,
// or everything up to the next option word, trimmed. Returns where the value ends.
std::size_t CutDirectory(std::string_view line, std::size_t start, std::string& value) {
  std::size_t v = SkipBlanks(line, start);
  std::size_t close = v < line.size() && line[v] == '"' ? ClosingQuote(line, v) : std::string_view::npos;
  if (close != std::string_view::npos) {
    value = std::string(line.substr(v + 1, close - v - 1));
    return close + 1;
  }
  std::size_t end = start;
  while (end < line.size() && !OptionWordAt(line, end)) ++end;
  value = TrimBlanks(line.substr(start, end - start));
  return end;
}

// Any other option's value from `start`: the one word there, unless an option word stands there.
std::size_t CutWord(std::string_view line, std::size_t start, std::string& value) {
  std::size_t v = SkipBlanks(line, start);
  if (v == line.size() || OptionWordAt(line, v)) return v;
  std::string_view word = WordAt(line, v);
  value = Unquoted(word);
  return v + word.size();
}

// Each option word with its value, from one line.
Cut CutValues(std::string_view line) {
  Cut cut;
  for (std::size_t i = SkipBlanks(line, SkipProgramPath(line)); i < line.size(); i = SkipBlanks(line, i)) {
    const OptionWord* word = OptionWordAt(line, i);
    if (!word) {
      std::string_view stray = WordAt(line, i);
      cut.problem = StrayWord(stray, cut.values);
      if (!cut.problem.empty()) return cut;
      i += stray.size();
      continue;
    }
    cut.values.push_back({word, {}});
    std::size_t start = i + word->word.size();
    i = word->directory ? CutDirectory(line, start, cut.values.back().text)
                        : CutWord(line, start, cut.values.back().text);
  }
  return cut;
}

// --help, -h or --version asked for alone.
ParsedCommandLine::Request RequestOf(std::string_view word) {
  if (word == "--help" || word == "-h") return ParsedCommandLine::Request::kHelp;
  if (word == "--version") return ParsedCommandLine::Request::kVersion;
  return ParsedCommandLine::Request::kRun;
}

const OptionWord* WholeOptionWord(std::string_view arg) {
  for (const OptionWord& option : kOptions)
    if (arg == option.word) return &option;
  return nullptr;
}

// A directory's value from args[i] on: the arguments up to the next option word, joined with
// single blanks. Returns the index after them.
std::size_t JoinArguments(const std::vector<std::string>& args, std::size_t i, std::string& value) {
  std::string joined;
  for (std::size_t first = i; i < args.size() && !WholeOptionWord(args[i]); ++i) {
    if (i > first) joined += ' ';
    joined += args[i];
  }
  value = Unquoted(joined);
  return i;
}

// Each option word with its value, from arguments that are each taken whole.
Cut ArgumentValues(const std::vector<std::string>& args) {
  Cut cut;
  for (std::size_t i = 1; i < args.size();) {
    const OptionWord* word = WholeOptionWord(args[i]);
    if (!word) {
      cut.problem = StrayWord(args[i], cut.values);
      if (!cut.problem.empty()) return cut;
      ++i;
      continue;
    }
    cut.values.push_back({word, {}});
    ++i;
    if (word->directory) {
      i = JoinArguments(args, i, cut.values.back().text);
    } else if (i < args.size() && !WholeOptionWord(args[i])) {
      cut.values.back().text = Unquoted(args[i++]);
    }
  }
  return cut;
}

bool OnlyBlanks(std::string_view text) {
  return SkipBlanks(text, 0) == text.size();
}

// What the options of two words were set to: the index of the word, or -1 while not given.
struct Chosen {
  std::array<int, kChoices.size()> word;
  Chosen() { word.fill(-1); }
  int Of(Option option) const {
    for (std::size_t i = 0; i < kChoices.size(); ++i)
      if (kChoices[i].option == option) return word[i] < 0 ? 0 : word[i];
    return 0;
  }
};

// Every value must be one of the option's two words; the first occurrence of the option counts,
// as it always did for -log, and a caller who knows one option knows them all.
std::string Choose(const Value& value, Chosen& chosen) {
  for (std::size_t i = 0; i < kChoices.size(); ++i) {
    const Choice& choice = kChoices[i];
    if (choice.option != value.option->option) continue;
    int word = EqualsIgnoreCase(value.text, choice.words[0])   ? 0
               : EqualsIgnoreCase(value.text, choice.words[1]) ? 1
                                                               : -1;
    if (word < 0) return problem::BadValue(value.option->word, value.text, choice.allowed);
    if (chosen.word[i] < 0) chosen.word[i] = word;
  }
  return {};
}

// Takes one value into `parsed`; returns what makes it unusable.
std::string Apply(const Value& value, ParsedCommandLine& parsed, Chosen& chosen) {
  switch (value.option->option) {
    case Option::kCommand:
      parsed.commands.insert(parsed.commands.begin(), value.text);
      return {};
    case Option::kPath:
      parsed.paths.insert(parsed.paths.begin(), value.text);
      return {};
    case Option::kMatlabRoot:
      // Unlike the pairs, kept in the order given: the installations are edited in that order.
      parsed.matlabRoots.push_back(value.text);
      return {};
    case Option::kLogFile:
      // An empty -logfile is a slip in a script (an unset variable), not a wish for the usual log.
      if (OnlyBlanks(value.text)) return problem::EmptyLogFile();
      if (!parsed.logFile.empty()) return problem::LogFileTwice();
      parsed.logFile = value.text;
      return {};
    default:
      return Choose(value, chosen);
  }
}

void SetChoices(const Chosen& chosen, ParsedCommandLine& parsed) {
  parsed.logSwitch = chosen.Of(Option::kLog);
  parsed.silentSwitch = chosen.Of(Option::kSilent);
  parsed.checkSwitch = chosen.Of(Option::kCheck);
  parsed.octaveSwitch = chosen.Of(Option::kOctave);
  parsed.diffSwitch = chosen.Of(Option::kDiff);
  parsed.notFoundOk = chosen.Of(Option::kNotFound) == 1;
  parsed.reportFormat =
      chosen.Of(Option::kReport) == 1 ? ParsedCommandLine::ReportFormat::kJson : ParsedCommandLine::ReportFormat::kText;
}

// What makes the pairs and roots unusable; empty when nothing does.
std::string PairProblem(const ParsedCommandLine& parsed, bool (*blank)(std::string_view)) {
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

// The pairs and options that the values give, and what makes them unusable: the cut's problem
// first, then the first value that is not one of its option's words, then the pairs. `blank`
// tells the directories that name nothing.
ParsedCommandLine FromValues(const Cut& cut, bool (*blank)(std::string_view)) {
  ParsedCommandLine parsed;
  Chosen chosen;
  std::string valueProblem;
  for (const Value& value : cut.values) {
    std::string problem = Apply(value, parsed, chosen);
    if (valueProblem.empty()) valueProblem = problem;
  }
  SetChoices(chosen, parsed);
  parsed.problem = !cut.problem.empty()    ? cut.problem
                   : !valueProblem.empty() ? valueProblem
                                           : PairProblem(parsed, blank);
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

// POSIX: ~ is the shell's to expand, and one that reaches us unexpanded (quoted) names no folder
// anybody meant; a relative name is made absolute. Windows keeps its own rules for what names a
// directory.
std::string MakeAbsolute(std::string& dir, const PathRules& rules, const std::string& currentDirectory) {
  if (!rules.ChecksPosixDirectories()) return {};
  if (dir.front() == '~') return problem::TildeDirectory(dir);
  if (dir.front() == '/') return {};
  if (currentDirectory.empty() || currentDirectory.front() != '/') return problem::RelativeWithoutCurrentDirectory(dir);
  dir = Absolute(dir, currentDirectory);
  return {};
}

bool HoldsText(std::string_view text, std::string_view part, bool ignoreCase) {
  if (!ignoreCase) return text.find(part) != std::string_view::npos;
  return AsciiLowerCopy(text).find(AsciiLowerCopy(part)) != std::string::npos;
}

// How a directory is put to use: written as an entry of pathdef.m, or only opened.
enum class Use { kEntry, kOpened };

// Checks the form that is written or opened. A line break would end the entry's line in
// pathdef.m and break the file, and in any name it would split the log's lines; no real folder
// holds one. A marker's text would be read as the marker that bounds the entries. On POSIX ':'
// separates the entries of the path.
std::string CheckForm(const std::string& dir, const PathRules& rules, Use use) {
  if (HoldsLineBreakOrNul(dir)) return problem::LineBreakInDirectory(dir);
  if (use == Use::kOpened) return {};
  // Windows writes the directory lower-cased, so there the marker's text counts in any case.
  for (std::string_view marker : {kBeginEntriesMarker, kEndEntriesMarker})
    if (HoldsText(dir, marker, rules.IgnoreCase())) return problem::MarkerInDirectory(dir, marker);
  if (rules.ChecksPosixDirectories() && dir.find(':') != std::string::npos) return problem::ColonInDirectory(dir);
  return {};
}

std::string CheckDirectoryList(StringList& dirs, const PathRules& rules, const std::string& currentDirectory, Use use) {
  for (std::string& dir : dirs) {
    if (dir.empty()) continue;
    std::string problem = MakeAbsolute(dir, rules, currentDirectory);
    if (problem.empty()) problem = CheckForm(dir, rules, use);
    if (!problem.empty()) return problem;
  }
  return {};
}

}  // namespace

std::string CheckDirectories(StringList& paths, const PathRules& rules, const std::string& currentDirectory) {
  return CheckDirectoryList(paths, rules, currentDirectory, Use::kEntry);
}

std::string CheckMatlabRoots(StringList& roots, const PathRules& rules, const std::string& currentDirectory) {
  // A root is only opened, never written into pathdef.m, so a ":" in its name harms nothing.
  return CheckDirectoryList(roots, rules, currentDirectory, Use::kOpened);
}

std::string CheckLogFile(std::string& logFile, const PathRules& rules, const std::string& currentDirectory) {
  StringList one{logFile};
  std::string problem = CheckDirectoryList(one, rules, currentDirectory, Use::kOpened);
  logFile = one.front();
  return problem;
}

}  // namespace vorex
