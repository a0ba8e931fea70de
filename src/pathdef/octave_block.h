#pragma once
// GNU Octave has no pathdef.m: it runs a site startup file (octaverc) at every start, for every
// user. The directories go into one marked block at the end of that file, one addpath line
// each, appended to the path as MATLAB's entries are (a plain addpath would put them in front of
// Octave's own functions); everything outside the block is kept byte for byte.
//
//   ## Begin vorex section, do not edit
//   addpath ('/opt/tools/matlab', '-end');
//   ## End vorex section
#include <string>
#include <string_view>

#include "base/path_rules.h"

namespace vorex {

inline constexpr std::string_view kOctaveBlockBegin = "## Begin vorex section, do not edit";
inline constexpr std::string_view kOctaveBlockEnd = "## End vorex section";

// Why a file with a broken block is not edited.
inline constexpr char kBrokenOctaveBlock[] =
    "a \"## Begin vorex section\" or \"## End vorex section\" line out of place (a block without its end, "
    "a second block, or a stray marker)";

// Both take the directory exactly as the command line gave it and compare it as the entry edits
// do (DirectoryKey); Windows writes it in that form too, POSIX as given. Lines written by the
// version before, without '-end', are recognised as well. A directory that names nothing changes
// nothing.

// Adds the directory's addpath line to the block (made at the end of the file when there is
// none) unless the block names it already. The file's own line ends are used; a file without
// a final line break gets one before the block. Returns false when the block's markers are out
// of place (a begin line without its end, a second begin or end line anywhere, an end line before
// the begin line): the file is left alone then.
bool AddToOctaveBlock(std::string_view text, const std::string& dir, const PathRules& rules, std::string* out);

// Drops the block's lines for the directory and every directory beneath it (of a root only its
// own), and the whole block when nothing is left in it. Same refusal as above.
bool RemoveFromOctaveBlock(std::string_view text, const std::string& dir, const PathRules& rules, std::string* out);

}  // namespace vorex
