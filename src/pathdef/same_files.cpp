#include "pathdef/same_files.h"

#include <map>

#include "base/ascii.h"
#include "base/paths.h"
#include "pathdef/place.h"

namespace vorex {

namespace {

constexpr char kWhoseUndecided[] =
    "reached from places of different owners; whose file it is cannot be decided, so it is not edited";

// What a found path reaches: the file itself, or, for a file not made yet (a missing Octave
// startup file), its name in the folder it would be made in. Empty when neither is there.
std::string Reached(FileSystem& fs, const std::string& path, const PathRules& rules) {
  std::string id;
  if (FileIdentity(fs, path, &id)) return id;
  if (FileIdentity(fs, ParentOf(path, rules), &id)) return id + "/" + NameOf(path, rules);
  return {};
}

// The file's real path: every link resolved, for a missing file its folder's.
bool RealLocation(FileSystem& fs, const std::string& path, const PathRules& rules, std::string* real) {
  if (fs.RealPath(path, real)) return true;
  std::string dir;
  if (!fs.RealPath(ParentOf(path, rules), &dir)) return false;
  *real = JoinPath(dir, NameOf(path, rules), rules);
  return true;
}

bool SameAuthority(const Authority& a, const Authority& b) {
  return a.kind == b.kind && (a.kind != PlaceKind::kOtherUser || a.user.id == b.user.id);
}

// The member that edits the file, or none when nobody can say whose it is.
std::optional<std::size_t> Editor(const PlatformServices& platform, const std::vector<FileEdit>& edits,
                                  const std::vector<std::size_t>& members) {
  std::vector<std::size_t> order;
  for (bool installations : {true, false})
    for (std::size_t m : members)
      if ((edits[m].file.kind == FileKind::kInstallation) == installations) order.push_back(m);
  if (!platform.withRights) return order.front();
  std::string real, why;
  Authority there, here;
  if (!RealLocation(platform.fs, edits[members.front()].file.path, platform.rules, &real) ||
      !DecideAuthority(platform, real, &there, &why))
    return std::nullopt;
  for (std::size_t m : order)
    if (DecideAuthority(platform, edits[m].file.path, &here, &why) && SameAuthority(here, there)) return m;
  return std::nullopt;
}

void Fold(const PlatformServices& platform, DiagnosticLog& log, std::vector<FileEdit>& edits,
          const std::vector<std::size_t>& members) {
  std::optional<std::size_t> editor = Editor(platform, edits, members);
  for (std::size_t m : members) {
    FileEdit& edit = edits[m];
    if (!editor) {
      edit.outcome = Outcome::kSkipped;
      edit.taken = true;
      edit.reason = kWhoseUndecided;
      log.WriteLog("Skipped: " + OneLine(edit.file.path) + ": " + edit.reason);
    } else if (m != *editor) {
      edit.sameAs = *editor;
      log.WriteLog("Same file as " + OneLine(edits[*editor].file.path) + ": " + OneLine(edit.file.path));
    }
  }
}

}  // namespace

void FoldSameFiles(const PlatformServices& platform, DiagnosticLog& log, std::vector<FileEdit>& edits) {
  std::map<std::string, std::vector<std::size_t>> byFile;
  std::vector<std::string> order;
  for (std::size_t i = 0; i < edits.size(); ++i) {
    if (!edits[i].file.missing.empty()) continue;
    std::string reached = Reached(platform.fs, edits[i].file.path, platform.rules);
    if (reached.empty()) continue;
    auto& members = byFile[reached];
    if (members.empty()) order.push_back(reached);
    members.push_back(i);
  }
  for (const std::string& file : order)
    if (byFile[file].size() > 1) Fold(platform, log, edits, byFile[file]);
}

}  // namespace vorex
