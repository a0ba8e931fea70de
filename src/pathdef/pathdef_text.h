#pragma once
// Text helpers for pathdef.m: lines with their own line endings, keys, quoting and the markers.
#include <string>
#include <string_view>
#include <vector>

#include "platform/path_rules.h"

namespace vorex {

inline constexpr std::string_view kEndEntriesMarker = "%%% END ENTRIES %%%";
inline constexpr std::string_view kBeginEntriesMarker = "%%% BEGIN ENTRIES %%%";
// The characters stripped from both ends of a directory and of a line before they are compared.
inline constexpr std::string_view kTrimSet = "\t' ;,.\n\r";

struct TextLine {
  std::string_view text;  // without its line ending
  std::string_view eol;   // "\r\n", "\n", "\r" or "" (a last line without a break)
};

std::vector<TextLine> SplitLines(std::string_view contents);

inline char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
// Only ASCII letters change, so that bytes of multibyte characters pass through untouched.
std::string AsciiLowerCopy(std::string_view text);
std::string_view Trim(std::string_view text, std::string_view set);
// MATLAB writes a single quote inside a quoted directory twice.
std::string DoubleQuotes(std::string_view text);
std::string UndoubleQuotes(std::string_view text);
// True for a directory that no pass may carry out: empty or made only of trim characters.
bool IsBlankDirectory(std::string_view dir);

// The key under which a directory or a line is compared.
std::string DirectoryKey(std::string_view dir, const PathRules& rules);
std::string LineKey(std::string_view line, const PathRules& rules);

// pathdef.new and pathdef.bak lie beside the file, whatever its directories are called.
std::string SiblingName(const std::string& path, std::string_view name);

}  // namespace vorex
