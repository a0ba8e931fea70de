#pragma once
// Case and trimming on bytes. Only ASCII letters change case, so that the bytes of multibyte
// characters pass through untouched.
#include <string>
#include <string_view>

namespace vorex {

inline char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
std::string AsciiLowerCopy(std::string_view text);
std::string AsciiUpperCopy(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
// A name as one line of a log or a report: control characters (a line break in a folder's name,
// which could forge lines), the C1 controls and Unicode's line and paragraph separators (which
// line-splitting callers such as Python's splitlines also cut at) become '?'.
std::string OneLine(std::string_view text);
// The length of the line break that starts at text[i]: CR, LF, or the UTF-8 form of NEL (U+0085),
// LINE SEPARATOR (U+2028) or PARAGRAPH SEPARATOR (U+2029), at which editors and some readers
// end a line too. 0 when none starts there.
std::size_t LineBreakAt(std::string_view text, std::size_t i);
// Whether the text holds such a line break or a NUL: what no single line of a file may hold.
bool HoldsLineBreakOrNul(std::string_view text);
// Strips every character of `set` from both ends.
std::string_view Trim(std::string_view text, std::string_view set);

}  // namespace vorex
