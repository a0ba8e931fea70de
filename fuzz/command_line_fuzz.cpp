// The command-line parsers on arbitrary input: neither yields an unusable line as usable, and a
// request for help or the version carries no pair. The input is the Windows line; split at each
// NUL it is also the POSIX argument vector, where only whole arguments are option words. What the
// directory checks let through holds no line break, NUL or marker text once made absolute.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "pathdef/pathdef_text.h"

namespace {

bool OnlyBlanks(std::string_view text) {
  return text.find_first_not_of(" \t") == std::string_view::npos;
}

// What holds for the result of either parser; `blank` tells the directories it must refuse.
void CheckParsed(const vorex::ParsedCommandLine& parsed, bool (*blank)(std::string_view)) {
  for (int value : {parsed.logSwitch, parsed.silentSwitch, parsed.checkSwitch, parsed.octaveSwitch, parsed.diffSwitch})
    if (value != 0 && value != 1) std::abort();
  // --help, -h and --version ask for no run: no pair is needed.
  if (parsed.request != vorex::ParsedCommandLine::Request::kRun) {
    if (!parsed.commands.empty() || !parsed.paths.empty() || !parsed.matlabRoots.empty()) std::abort();
    return;
  }
  if (!parsed.problem.empty()) return;
  if (parsed.commands.empty() || parsed.commands.size() != parsed.paths.size()) std::abort();
  for (const std::string& path : parsed.paths)
    if (blank(path)) std::abort();
  // An installation's folder is taken as given on both systems: only blanks name none.
  for (const std::string& root : parsed.matlabRoots)
    if (OnlyBlanks(root)) std::abort();
  if (!parsed.logFile.empty() && OnlyBlanks(parsed.logFile)) std::abort();
  for (const std::string& command : parsed.commands) {
    std::string lower = vorex::AsciiLowerCopy(command);
    if (lower != "add" && lower != "remove") std::abort();
  }
}

// The directories as CheckDirectories leaves them, against a current directory from the input.
void CheckWritten(vorex::ParsedCommandLine parsed, const vorex::PathRules& rules, const std::string& cwd) {
  if (!parsed.problem.empty() || !vorex::CheckDirectories(parsed.paths, rules, cwd).empty()) return;
  for (const std::string& path : parsed.paths) {
    if (vorex::HoldsLineBreakOrNul(path) || path.find(vorex::kEndEntriesMarker) != std::string::npos ||
        path.find(vorex::kBeginEntriesMarker) != std::string::npos)
      std::abort();
    if (rules.ChecksPosixDirectories() && (path.empty() || path.front() != '/')) std::abort();
  }
}

std::size_t CountOf(const std::vector<std::string>& args, const std::string& word) {
  std::size_t n = 0;
  for (std::size_t i = 1; i < args.size(); ++i) n += args[i] == word;
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string line(reinterpret_cast<const char*>(data), size);
  CheckParsed(vorex::ParseCommandLine(line), vorex::IsBlankDirectory);
  CheckWritten(vorex::ParseCommandLine(line), vorex::PathRules::Windows(), "");

  std::vector<std::string> args;
  for (std::size_t start = 0;;) {
    std::size_t nul = line.find('\0', start);
    args.push_back(line.substr(start, nul - start));
    if (nul == std::string::npos) break;
    start = nul + 1;
  }
  vorex::ParsedCommandLine parsed = vorex::ParseArguments(args);
  CheckParsed(parsed, OnlyBlanks);
  // The last argument stands for the current directory, which may hold anything a name can.
  CheckWritten(parsed, vorex::PathRules::Posix(), "/" + args.back());
  // Every pair and every installation comes from whole arguments: one option argument each.
  if (parsed.request == vorex::ParsedCommandLine::Request::kRun && parsed.problem.empty() &&
      (parsed.commands.size() != CountOf(args, "-command") || parsed.paths.size() != CountOf(args, "-path") ||
       parsed.matlabRoots.size() != CountOf(args, "-matlabroot")))
    std::abort();
  return 0;
}
