#pragma once
// Whole files in and out, byte for byte, for tests of the real disks.
#include <fstream>
#include <iterator>
#include <string>

namespace vorex::testing {

inline std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void Spit(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

}  // namespace vorex::testing
