#include "app/command_line.h"

#include <array>
#include <string_view>

#include "pathdef/pathdef_text.h"

namespace vorex {

const char kUsageCaption[] = "VOREX 2004: COMMAND-LINE SYNTAX                       ";

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

enum class Option { kCommand, kPath, kLog };

struct Occurrence {
  Option option;
  std::size_t wordStart;   // where the option word begins
  std::size_t valueStart;  // just past the option word
};

constexpr std::array<std::pair<std::string_view, Option>, 3> kOptions{{
    {"-command", Option::kCommand},
    {"-path", Option::kPath},
    {"-log", Option::kLog},
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

// Option words count only as whole words that follow a blank and stand outside quotes.
std::vector<Occurrence> FindOptions(std::string_view line) {
  std::vector<Occurrence> found;
  bool quoted = false;
  for (std::size_t i = SkipProgramPath(line); i < line.size(); ++i) {
    char c = line[i];
    if (c == '"') quoted = !quoted;
    if (quoted || c != '-' || i == 0 || !IsBlank(line[i - 1])) continue;
    for (const auto& [word, option] : kOptions) {
      std::size_t end = i + word.size();
      if (line.compare(i, word.size(), word) == 0 && (end == line.size() || IsBlank(line[end]))) {
        found.push_back({option, i, end});
        break;
      }
    }
  }
  return found;
}

std::string CleanValue(std::string_view value) {
  std::size_t b = 0, e = value.size();
  while (b < e && IsBlank(value[b])) ++b;
  while (e > b && IsBlank(value[e - 1])) --e;
  value = value.substr(b, e - b);
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
  return std::string(value);
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

}  // namespace

ParsedCommandLine ParseCommandLine(const std::string& line) {
  ParsedCommandLine parsed;
  std::vector<Occurrence> options = FindOptions(line);
  bool logSeen = false;
  for (std::size_t k = 0; k < options.size(); ++k) {
    std::size_t end = k + 1 < options.size() ? options[k + 1].wordStart : line.size();
    std::string value = CleanValue(std::string_view(line).substr(options[k].valueStart, end - options[k].valueStart));
    switch (options[k].option) {
      case Option::kCommand:
        parsed.commands.insert(parsed.commands.begin(), value);
        break;
      case Option::kPath:
        parsed.paths.insert(parsed.paths.begin(), value);
        break;
      case Option::kLog:
        // Only the first -log counts.
        if (!logSeen && EqualsIgnoreCase(value, "on")) parsed.logSwitch = 1;
        logSeen = true;
        break;
    }
  }

  if (parsed.commands.empty() || parsed.paths.empty()) {
    parsed.problem = "Problem: at least one -command and one -path must be given.";
  } else if (parsed.commands.size() != parsed.paths.size()) {
    parsed.problem = "Problem: " + std::to_string(parsed.commands.size()) + " -command value(s) but " +
                     std::to_string(parsed.paths.size()) + " -path value(s); give them in pairs.";
  } else {
    for (const std::string& command : parsed.commands) {
      if (!EqualsIgnoreCase(command, "ADD") && !EqualsIgnoreCase(command, "REMOVE")) {
        parsed.problem = "Problem: unknown command \"" + command + "\"; use ADD or REMOVE.";
        break;
      }
    }
    for (const std::string& path : parsed.paths) {
      if (parsed.problem.empty() && IsBlankDirectory(path)) {
        parsed.problem = "Problem: an empty directory was given after -path.";
      }
    }
  }
  return parsed;
}

std::string JoinArguments(const std::vector<std::string>& argv) {
  std::string line;
  for (std::size_t i = 0; i < argv.size(); ++i) {
    if (i > 0) line += ' ';
    bool quote = i == 0 && argv[i].find_first_of(" \t") != std::string::npos;
    line += quote ? "\"" + argv[i] + "\"" : argv[i];
  }
  return line;
}

std::string TitleFromProgramPath(const std::string& programPath, const PathRules& rules) {
  std::size_t slash = programPath.find_last_of(rules.windows ? "\\/" : "/");
  std::string title = slash == std::string::npos ? programPath : programPath.substr(slash + 1);
  if (std::size_t dot = title.rfind('.'); dot != std::string::npos && dot > 0) title.resize(dot);
  return title;
}

std::string UsageText(const std::string& problem) {
  std::string text =
      "\nCommand line parameters to add path to pathdef.m:\n\n"
      "  -command ADD -path <filepath to add>\n\n"
      "To remove path:\n\n"
      "  -command REMOVE -path <filepath to remove>\n\n\n";
  if (!problem.empty()) text += problem + "\n";
  return text;
}

}  // namespace vorex
