#pragma once
// The REMOVE and then the ADD commands over every file found.
#include <vector>

#include "base/string_list.h"
#include "pathdef/edit_file.h"

namespace vorex {

// Every REMOVE command on each file in order, then every ADD command. A file that fails or is
// skipped is not taken up again by a later command, and never keeps the files after it from
// being edited; nor is a named installation that is missing taken up.
void RunEditPasses(const StringList& commands, const StringList& paths, std::vector<FileEdit>& files,
                   FileEditor& editor);

}  // namespace vorex
