#pragma once
// Two found paths may reach one file (a link, a linked folder on the way). The file is edited
// once, and never under the authority of whoever made the second way to it: a user's link must
// neither hide another user's copy from the run nor lend the user's rights to its edit.
#include <vector>

#include "log/diagnostic_log.h"
#include "pathdef/edit_file.h"
#include "platform/services.h"

namespace vorex {

// For each file that more than one path reaches: without rights the installation's path (else
// the first) edits it; with rights the path whose place has the authority of the place where the
// file really is (its real folder), installations first; the others share its outcome
// ("Same file as <path>: <other>" in the log). Where no path has that authority, nobody can say
// whose the file is: every path to it is skipped with the reason.
void FoldSameFiles(const PlatformServices& platform, DiagnosticLog& log, std::vector<FileEdit>& edits);

}  // namespace vorex
