#pragma once
// Text helpers for pathdef.m: lines with their own line endings, keys, quoting and the markers.
#include <string>
#include <string_view>
#include <vector>

#include "base/ascii.h"
#include "base/path_rules.h"
#include "base/paths.h"

namespace vorex {

inline constexpr std::string_view kEndEntriesMarker = "%%% END ENTRIES %%%";
inline constexpr std::string_view kBeginEntriesMarker = "%%% BEGIN ENTRIES %%%";
// The characters that leave nothing of a directory when stripped from its ends: what Windows
// ignores at the end of a name, and what a quoting slip in a script leaves around it.
inline constexpr std::string_view kTrimSet = "\t' ;,.\n\r\"";

struct TextLine {
  std::string_view text;  // without its line ending
  std::string_view eol;   // "\r\n", "\n", "\r" or "" (a last line without a break)
};

std::vector<TextLine> SplitLines(std::string_view contents);

// MATLAB writes a single quote inside a quoted directory twice.
std::string DoubleQuotes(std::string_view text);
std::string UndoubleQuotes(std::string_view text);
// True for a directory that no pass may carry out: empty or made only of trim characters.
bool IsBlankDirectory(std::string_view dir);

// Where the comment of a MATLAB line starts: its first '%' outside a quoted string, npos when it
// has none. A quote that follows a name, a closing bracket or a dot is MATLAB's transpose and
// opens no string.
std::size_t CommentStart(std::string_view line);
// The quote that closes the first string a line's code opens with a single quote; npos when it
// opens none or does not close it.
std::size_t FirstStringEnd(std::string_view line);
// Where `marker` stands in the comment of the line; npos when it is not there. Marker text inside
// a quoted entry is part of a directory's name.
std::size_t MarkerIn(std::string_view line, std::string_view marker);

// A trailing separator names the same directory; a drive or file system root keeps it.
std::string WithoutTrailingSeparator(std::string dir);
// The key under which a directory is compared, and what the entry holds on Windows: there
// lower-cased and without the trim characters at either end or trailing separators, which
// Windows ignores in a name (a drive root keeps its separator); on POSIX the directory as given
// without a trailing '/' (the root keeps it). Empty for a directory that names nothing.
std::string DirectoryKey(std::string_view dir, const PathRules& rules);
// The key of the one directory that an entry line names between its quotes (without the
// separators at either end of the quoted text); empty for a line that is no entry, such as
// matlabroot,'/toolbox/x:'.
std::string LineKey(std::string_view line, const PathRules& rules);
// Whether the directory of key `candidate` is the one of key `dir` or beneath it. A root (/, C:\)
// has nothing beneath it here: a slip that names one must not empty the path.
bool AtOrBeneath(std::string_view candidate, std::string_view dir, const PathRules& rules);

}  // namespace vorex
