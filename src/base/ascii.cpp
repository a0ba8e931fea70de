#include "base/ascii.h"

namespace vorex {

std::string AsciiLowerCopy(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiLower(c);
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

std::string OneLine(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  return out;
}

}  // namespace vorex
