#pragma once
// A fresh directory under /tmp, removed with everything in it when the test ends.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace vorex::testing {

class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/vorex-test-XXXXXX";
    path_ = ::mkdtemp(pattern);
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& rel) const { return path_ + "/" + rel; }
  // Creates a small file (and its directories) and returns its path.
  std::string File(const std::string& rel) const {
    std::filesystem::create_directories(std::filesystem::path(*this / rel).parent_path());
    std::ofstream(*this / rel) << "x";
    return *this / rel;
  }
  std::string Dir(const std::string& rel) const {
    std::filesystem::create_directories(*this / rel);
    return *this / rel;
  }

 private:
  std::string path_;
};

}  // namespace vorex::testing
