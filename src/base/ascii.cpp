#include "base/ascii.h"

namespace vorex {

std::string AsciiLowerCopy(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

std::string AsciiUpperCopy(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

std::string_view Trim(std::string_view text, std::string_view set) {
  std::size_t b = text.find_first_not_of(set);
  if (b == std::string_view::npos) return {};
  std::size_t e = text.find_last_not_of(set);
  return text.substr(b, e - b + 1);
}

std::size_t LineBreakAt(std::string_view text, std::size_t i) {
  if (text[i] == '\n' || text[i] == '\r') return 1;
  std::string_view rest = text.substr(i);
  if (rest.starts_with("\xC2\x85")) return 2;
  if (rest.starts_with("\xE2\x80\xA8") || rest.starts_with("\xE2\x80\xA9")) return 3;
  return 0;
}

bool HoldsLineBreakOrNul(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i)
    if (text[i] == '\0' || LineBreakAt(text, i) != 0) return true;
  return false;
}

namespace {

// In UTF-8: the line and paragraph separators U+2028 and U+2029, which split a line for many
// readers, and the marks and overrides of bidirectional text (U+200E, U+200F, U+202A to U+202E,
// U+2066 to U+2069), which make the rest of a line read in another order than it is written.
bool IsSeparatorOrBidiControl(unsigned char a, unsigned char b, unsigned char c) {
  if (a != 0xe2) return false;
  if (b == 0x80) return c == 0x8e || c == 0x8f || (c >= 0xa8 && c <= 0xae);
  return b == 0x81 && c >= 0xa6 && c <= 0xa9;
}

}  // namespace

std::string OneLine(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    auto byte = [&](std::size_t at) { return at < text.size() ? static_cast<unsigned char>(text[at]) : 0; };
    unsigned char c = byte(i);
    if (c < 0x20 || c == 0x7f) {
      out += '?';
    } else if (c == 0xc2 && byte(i + 1) >= 0x80 && byte(i + 1) <= 0x9f) {
      out += '?';  // a C1 control in UTF-8, NEL (U+0085) among them
      i += 1;
    } else if (IsSeparatorOrBidiControl(c, byte(i + 1), byte(i + 2))) {
      out += '?';
      i += 2;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

}  // namespace vorex
