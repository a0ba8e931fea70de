#include <vector>

#include "base/ascii.h"
#include "base/messages.h"
#include "base/paths.h"
#include "discovery/discovery.h"

namespace vorex {

namespace {

struct SubDirectory {
  std::string path;
  bool enter;  // links and other mounts are listed but never walked through
};

// The sub-directories of one directory still to be walked.
struct Frame {
  std::vector<SubDirectory> subdirs;
  std::size_t next = 0;
};

// Lists the directory's sub-directories into `frame` and the LOCAL ones among them into
// `localNames`. False when the listing failed or the user cancelled during it.
bool ListSubdirectories(const ScanContext& ctx, const std::string& dir, Frame& frame,
                        std::vector<std::string>& localNames) {
  bool cancelled = false;
  bool listed = ctx.fs.ListDirectory(dir, [&](const DirEntry& entry) {
    if (!ctx.running) {
      cancelled = true;
      return false;
    }
    if (!entry.isDirectory) return true;
    // A LOCAL that is a link is listed like any other entry but never searched: what it leads
    // to is not a place that was found here.
    if (EqualsIgnoreCase(entry.name, "local") && !entry.isLink) localNames.emplace_back(entry.name);
    frame.subdirs.push_back({JoinPath(dir, entry.name, ctx.rules), !entry.isLink && !entry.isMountPoint});
    return true;
  });
  return listed && !cancelled;
}

void RecordPathdefs(const ScanContext& ctx, const std::string& dir, const std::vector<std::string>& localNames,
                    StringList& foundFiles) {
  for (const std::string& local : localNames) {
    // Windows records LOCAL as the search spells it; POSIX spells every component as stored.
    std::string localDir = JoinPath(dir, ctx.rules.RecordsPatternSpelling() ? std::string("LOCAL") : local, ctx.rules);
    std::string storedDir = JoinPath(dir, local, ctx.rules);
    ctx.fs.ListDirectory(storedDir, [&](const DirEntry& entry) {
      if (!ctx.running) return false;
      if (EqualsIgnoreCase(entry.name, "pathdef.m")) {
        std::string path = JoinPath(localDir, entry.name, ctx.rules);
        ctx.log.WriteLog("File: " + OneLine(path));
        foundFiles.push_back(path);
      }
      return true;
    });
  }
}

// Records the directory's own LOCAL\PATHDEF.M, then lists, shows and logs its sub-directories.
// Returns those to walk next; none once the user has cancelled.
Frame VisitDirectory(const ScanContext& ctx, const std::string& dir, StringList& foundFiles) {
  Frame frame;
  if (!ctx.running) return frame;
  std::vector<std::string> localNames;
  if (!ListSubdirectories(ctx, dir, frame, localNames)) return Frame{};
  RecordPathdefs(ctx, dir, localNames, foundFiles);
  for (const SubDirectory& sub : frame.subdirs) {
    if (!ctx.running) return Frame{};
    ctx.progress.SetDetailText(sub.path);
    if (ctx.log.IsOpen()) ctx.log.WriteLog("Directory: " + sub.path);  // no text built for a closed log
  }
  if (!ctx.running) return Frame{};
  return frame;
}

}  // namespace

void ScanForPathdef(const ScanContext& ctx, const std::string& dir, StringList& foundFiles) {
  ctx.fs.WillWalk(dir);
  // An explicit stack: a deep tree must not exhaust the worker thread's stack.
  std::vector<Frame> stack;
  stack.push_back(VisitDirectory(ctx, dir, foundFiles));
  while (!stack.empty()) {
    Frame& top = stack.back();
    if (top.next == top.subdirs.size()) {
      stack.pop_back();
      continue;
    }
    const SubDirectory& sub = top.subdirs[top.next++];
    if (!sub.enter) continue;
    Frame child = VisitDirectory(ctx, sub.path, foundFiles);
    stack.push_back(std::move(child));
  }
  ctx.fs.StopReadAhead();
}

void ScanFixedDrives(const ScanContext& ctx, StringList& foundFiles) {
  StringList drives;
  for (const std::string& root : ctx.fs.FixedDriveRoots()) {
    if (!ctx.running) break;
    drives.insert(drives.begin(), root);  // highest drive first
  }
  ctx.progress.SetDetailText("");
  ctx.progress.SetStatusText(kSearchingDrivesStatus);
  if (!ctx.running) return;
  for (const std::string& root : drives) {
    ctx.log.WriteLog("Checking: " + root);
    ScanForPathdef(ctx, root, foundFiles);
    if (!ctx.running) return;
  }
}

}  // namespace vorex
