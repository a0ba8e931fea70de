#pragma once
// GNU Octave has no pathdef.m: it runs a site startup file (octaverc) at every start, for every
// user. The directories go into one marked block at the end of that file, one addpath line
// each; everything outside the block is kept byte for byte.
//
//   ## Begin vorex section, do not edit
//   addpath ('/opt/tools/matlab');
//   ## End vorex section
#include <string>
#include <string_view>

#include "base/path_rules.h"

namespace vorex {

inline constexpr std::string_view kOctaveBlockBegin = "## Begin vorex section, do not edit";
inline constexpr std::string_view kOctaveBlockEnd = "## End vorex section";

// Why a file with a broken block is not edited.
inline constexpr char kBrokenOctaveBlock[] =
    "a \"## Begin vorex section\" line without its end, or the other way round";

// True for a site startup file ("octaverc"), edited with the block rather than as a pathdef.m.
bool IsOctaveStartupFile(const std::string& path, const PathRules& rules);

// Adds the directory's addpath line to the block (made at the end of the file when there is
// none) unless the block names it already. The file's own line ends are used; a file without
// a final line break gets one before the block. Returns false when the text holds a begin line
// without its end (a block that was cut up): the file is left alone then.
bool AddToOctaveBlock(std::string_view text, const std::string& dir, const PathRules& rules, std::string* out);

// Drops the block's lines for the directory and every directory beneath it, and the whole block
// when nothing is left in it. Same refusal as above.
bool RemoveFromOctaveBlock(std::string_view text, const std::string& dir, const PathRules& rules, std::string* out);

}  // namespace vorex
