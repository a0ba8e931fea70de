#pragma once
// The REMOVE and then the ADD commands over every file found.
#include <vector>

#include "base/string_list.h"
#include "pathdef/edit_file.h"

namespace vorex {

// Every REMOVE command on each file in order, then every ADD command. In each pass the first
// file that fails ends the pass. A skipped file is no failure: the pass goes on, and no later
// command takes that file up again; nor is a named installation that is missing taken up.
void RunEditPasses(const StringList& commands, const StringList& paths, std::vector<FileEdit>& files,
                   FileEditor& editor);

}  // namespace vorex
