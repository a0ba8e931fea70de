#pragma once
// The users' own pathdef.m: MATLAB starts in the user's startup folder (Documents/MATLAB by
// default) and reads a pathdef.m found there before the installation's, so an edit of the
// installation alone never reaches a user who keeps such a copy.
#include <string>

#include "base/found_file.h"
#include "base/path_rules.h"
#include "base/string_list.h"
#include "log/diagnostic_log.h"
#include "platform/file_system.h"
#include "platform/user_directory.h"

namespace vorex {

struct UserCopies {
  FoundFiles runner;  // the running user's own copies
  FoundFiles others;  // everyone else's, in the order the system lists the users
};

// <documents>/MATLAB/pathdef.m of each user (a run with rights: every user; otherwise only the
// running one), where <documents> is <home>/Documents, on Windows also every
// <home>\OneDrive*\Documents, and the Documents folder the system names for the user. Only
// files that exist; duplicates are for the caller to drop.
UserCopies FindUserCopies(FileSystem& fs, UserDirectory& users, const PathRules& rules, bool everyone);

// The found-file list: the running user's copies first (what MATLAB reads for the person
// running this, edited before anything else can fail), then the installations in their order,
// then the other users' copies; each path once. Paths that reach one file by other ways (links)
// all stay: which of them edits the file is the edit's question (FoldSameFiles), not the
// order's. Each copy is logged as "User: <path>".
FoundFiles OrderFoundFiles(const StringList& installations, const UserCopies& copies, DiagnosticLog& log);

}  // namespace vorex
