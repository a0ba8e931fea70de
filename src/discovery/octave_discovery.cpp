#include "discovery/octave_discovery.h"

#include <algorithm>
#include <set>

#include "base/ascii.h"
#include "base/paths.h"
#include "discovery/registry_key.h"

namespace vorex {

StringList OctaveInstallationsInRegistry(Registry& registry, const PathRules& rules) {
  StringList found;
  for (std::uint32_t view : {kKeyWow6464Key, kKeyWow6432Key}) {
    CRegistryKey key(registry, kHkeyLocalMachine, R"(SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall)",
                     kKeyRead | view);
    if (key.m_lResult != kErrorSuccess) continue;
    std::string name;
    for (std::uint32_t i = 0; registry.EnumKey(key.m_hKey, i, &name) == kErrorSuccess; ++i) {
      // Key names compare without regard to case, as the registry does.
      std::string lower = AsciiLowerCopy(name);
      if (lower.rfind("octave-", 0) != 0 && lower != "gnu octave") continue;
      std::string uninstaller;
      if (!ReadRegistryText(key, name + "\\UninstallString", &uninstaller)) continue;
      if (uninstaller.size() >= 2 && uninstaller.front() == '"') {
        std::size_t close = uninstaller.find('"', 1);
        uninstaller = uninstaller.substr(1, close == std::string::npos ? std::string::npos : close - 1);
      }
      std::string dir = ParentOf(uninstaller, rules);
      if (dir != "." && std::find(found.begin(), found.end(), dir) == found.end()) found.push_back(dir);
    }
  }
  return found;
}

FoundFiles FindOctaveStartupFiles(FileSystem& fs, OctavePlaces& places, Registry& registry, const PathRules& rules,
                                  DiagnosticLog& log) {
  std::vector<std::string> prefixes = places.Prefixes();
  for (const std::string& dir : OctaveInstallationsInRegistry(registry, rules))
    for (const char* layout : {"mingw64", "mingw32", ""})
      prefixes.push_back(*layout ? JoinPath(dir, layout, rules) : dir);
  FoundFiles files;
  std::set<std::string> seen;
  for (const std::string& prefix : prefixes) {
    std::string dir = prefix;
    for (const char* part : {"share", "octave", "site", "m", "startup"}) dir = JoinPath(dir, part, rules);
    // Prefixes that reach one folder by other ways all stay: FoldSameFiles decides which edits it.
    std::string id;
    if (!FileIdentity(fs, dir, &id) || !seen.insert(dir).second) continue;
    std::string file = JoinPath(dir, "octaverc", rules);
    log.WriteLog("Octave: " + OneLine(file));
    files.push_back({file, FileKind::kOctaveStartup, {}, {}});
  }
  return files;
}

}  // namespace vorex
