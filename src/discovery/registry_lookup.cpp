#include <cstring>

#include "base/paths.h"
#include "discovery/discovery.h"
#include "discovery/registry_key.h"

namespace vorex {

namespace {

// The value as text: terminated at the count read, taken up to its first zero byte.
std::string TerminatedText(std::uint8_t* buffer, std::uint32_t count) {
  buffer[count] = 0;
  return {reinterpret_cast<const char*>(buffer)};
}

}  // namespace

int FindPathdefInRegistry(Registry& registry, FileSystem& fs, const PathRules& rules, StringList& foundFiles) {
  CRegistryKey key(registry, kHkeyClassesRoot, "", kKeyReadWrite);
  std::uint8_t buffer[512] = {};

  std::uint32_t count = 511;
  if (key.QueryValue("MATLAB.APPLICATION\\CLSID\\", buffer, &count, buffer, 0, kRegSz, false) != kErrorSuccess)
    return 0;
  std::string clsid = TerminatedText(buffer, count);

  count = 511;
  if (key.QueryValue("CLSID\\" + clsid + "\\LocalServer32\\", buffer, &count, buffer, 0, kRegSz, false) !=
      kErrorSuccess)
    return 0;
  std::string serverCommand = TerminatedText(buffer, count);

  std::size_t cut = serverCommand.rfind("bin");
  if (cut == std::string::npos || cut == 0) return 0;
  std::string candidate =
      serverCommand.substr(0, cut) + JoinPath(JoinPath("toolbox", "local", rules), "pathdef.m", rules);
  if (!fs.Exists(candidate)) return 0;
  foundFiles.push_back(candidate);
  return 1;
}

}  // namespace vorex
