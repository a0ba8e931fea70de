#include <algorithm>
#include <cctype>
#include <cstring>

#include "base/ascii.h"
#include "base/paths.h"
#include "discovery/discovery.h"
#include "discovery/registry_key.h"

namespace vorex {

namespace {

constexpr char kReleasesKey[] = "SOFTWARE\\MathWorks\\MATLAB";

std::string Tail(const PathRules& rules) {
  return JoinPath(JoinPath("toolbox", "local", rules), "pathdef.m", rules);
}

// Follows the automation server's registration to its command line, cuts it at the last "bin"
// and gives <root>toolbox\local\pathdef.m when that exists.
bool AutomationServerFile(Registry& registry, FileSystem& fs, const PathRules& rules, std::uint32_t view,
                          std::string* file) {
  CRegistryKey key(registry, kHkeyClassesRoot, "", kKeyRead | view);
  std::string clsid, serverCommand;
  if (!ReadRegistryText(key, "MATLAB.APPLICATION\\CLSID\\", &clsid)) return false;
  if (!ReadRegistryText(key, "CLSID\\" + clsid + "\\LocalServer32\\", &serverCommand)) return false;
  // A path with blanks is registered in quotes ("C:\Program Files\...\MATLAB.exe" /Automation):
  // the program's path is what they hold.
  if (serverCommand.size() > 1 && serverCommand.front() == '"')
    serverCommand = serverCommand.substr(1, serverCommand.find('"', 1) - 1);
  std::size_t cut = serverCommand.rfind("bin");
  if (cut == std::string::npos || cut == 0) return false;
  std::string candidate = serverCommand.substr(0, cut) + Tail(rules);
  if (!Exists(fs, candidate)) return false;
  *file = candidate;
  return true;
}

// "9.10" after "9.9", "R2024a" after "R2023b": runs of digits compare as numbers.
bool VersionLess(const std::string& a, const std::string& b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (std::isdigit(static_cast<unsigned char>(a[i])) && std::isdigit(static_cast<unsigned char>(b[j]))) {
      std::size_t ie = i, je = j;
      while (ie < a.size() && std::isdigit(static_cast<unsigned char>(a[ie]))) ++ie;
      while (je < b.size() && std::isdigit(static_cast<unsigned char>(b[je]))) ++je;
      std::string na = a.substr(i, ie - i), nb = b.substr(j, je - j);
      na.erase(0, std::min(na.find_first_not_of('0'), na.size()));
      nb.erase(0, std::min(nb.find_first_not_of('0'), nb.size()));
      if (na.size() != nb.size()) return na.size() < nb.size();
      if (na != nb) return na < nb;
      i = ie;
      j = je;
      continue;
    }
    char ca = AsciiLower(a[i]), cb = AsciiLower(b[j]);
    if (ca != cb) return ca < cb;
    ++i;
    ++j;
  }
  return a.size() - i < b.size() - j;
}

struct Release {
  std::string version;
  std::string file;
};

// Every release registered under SOFTWARE\MathWorks\MATLAB\<version> in one view whose
// MATLABROOT holds toolbox\local\pathdef.m.
void RegisteredReleases(Registry& registry, FileSystem& fs, const PathRules& rules, std::uint32_t view,
                        std::vector<Release>* releases) {
  CRegistryKey key(registry, kHkeyLocalMachine, kReleasesKey, kKeyRead | view);
  if (key.m_lResult != kErrorSuccess) return;
  std::string version;
  for (std::uint32_t i = 0; registry.EnumKey(key.m_hKey, i, &version) == kErrorSuccess; ++i) {
    if (AsciiLowerCopy(version).find("runtime") != std::string::npos) continue;  // no path of its own
    std::string root;
    if (!ReadRegistryText(key, version + "\\MATLABROOT", &root) || root.empty()) continue;
    std::string candidate = JoinPath(root, Tail(rules), rules);
    if (Exists(fs, candidate)) releases->push_back({version, candidate});
  }
}

}  // namespace

int FindPathdefInRegistry(Registry& registry, FileSystem& fs, const PathRules& rules, StringList& foundFiles,
                          DiagnosticLog* log, bool program64) {
  // Each program looks in its own view first; the 32-bit one asks for the 64-bit view, where
  // every release of the last years registers, before its own.
  const std::uint32_t views[2] = {program64 ? 0u : kKeyWow6464Key, program64 ? kKeyWow6432Key : 0u};
  StringList found;
  auto add = [&](const std::string& file) {
    for (const std::string& known : found) {
      if (rules.IgnoreCase() ? EqualsIgnoreCase(known, file) : known == file) return;
    }
    found.push_back(file);
  };

  for (std::uint32_t view : views) {
    std::string file;
    if (AutomationServerFile(registry, fs, rules, view, &file)) {
      add(file);
      break;
    }
  }
  std::vector<Release> releases;
  for (std::uint32_t view : views) RegisteredReleases(registry, fs, rules, view, &releases);
  std::stable_sort(releases.begin(), releases.end(),
                   [](const Release& a, const Release& b) { return VersionLess(a.version, b.version); });
  for (const Release& release : releases) add(release.file);

  for (const std::string& file : found) {
    if (log) log->WriteLog("Registry: " + file);
    foundFiles.push_back(file);
  }
  return found.empty() ? 0 : 1;
}

}  // namespace vorex
