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
// The characters that leave nothing of a directory when stripped from its ends.
inline constexpr std::string_view kTrimSet = "\t' ;,.\n\r";

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

// The key under which a directory or a line is compared: with the trim characters stripped from
// both ends (and lower-cased on Windows); where keys are exact (POSIX), the directory as given and
// the one directory an entry line names between its quotes, either without a trailing '/'. A line
// that is no entry has an empty key on POSIX.
std::string DirectoryKey(std::string_view dir, const PathRules& rules);
std::string LineKey(std::string_view line, const PathRules& rules);

}  // namespace vorex
