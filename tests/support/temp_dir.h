#pragma once
// A fresh directory under the system's temporary directory, removed with everything in it when
// the test ends. The same on POSIX and on Windows: a pathdef.m left behind would be found by a
// later drive scan.
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

namespace vorex::testing {

class TempDir {
 public:
  TempDir() {
    static std::atomic<unsigned> counter{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (;;) {
      std::filesystem::path candidate = std::filesystem::temp_directory_path() /
                                        ("vorex-test-" + std::to_string(stamp) + "-" + std::to_string(++counter));
      if (std::filesystem::create_directory(candidate)) {
        path_ = candidate.string();
        break;
      }
    }
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  operator std::string() const { return path_; }
  // The path of `rel` inside, with the platform's separator.
  std::string operator/(const std::string& rel) const {
    return path_ + static_cast<char>(std::filesystem::path::preferred_separator) + rel;
  }
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
