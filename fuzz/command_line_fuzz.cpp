// The command-line parser on arbitrary lines: it never yields an unusable line as usable, and a
// request for help or the version carries no pair.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/command_line.h"
#include "pathdef/pathdef_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string line(reinterpret_cast<const char*>(data), size);
  vorex::ParsedCommandLine parsed = vorex::ParseCommandLine(line);
  if (parsed.logSwitch != 0 && parsed.logSwitch != 1) std::abort();
  if (parsed.silentSwitch != 0 && parsed.silentSwitch != 1) std::abort();
  // --help, -h and --version ask for no run: no pair is needed.
  if (parsed.request != vorex::ParsedCommandLine::Request::kRun) {
    if (!parsed.commands.empty() || !parsed.paths.empty()) std::abort();
    return 0;
  }
  if (!parsed.problem.empty()) return 0;
  if (parsed.commands.empty() || parsed.commands.size() != parsed.paths.size()) std::abort();
  for (const std::string& path : parsed.paths)
    if (vorex::IsBlankDirectory(path)) std::abort();
  for (const std::string& command : parsed.commands) {
    std::string lower = vorex::AsciiLowerCopy(command);
    if (lower != "add" && lower != "remove") std::abort();
  }
  return 0;
}
