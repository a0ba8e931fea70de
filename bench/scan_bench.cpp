// The drive scan over a generated tree, for comparison with find in the same run.
//   scan_bench make DIR      builds the tree (about 200 000 directories, 1 000 000 files)
//   scan_bench scan DIR      scans it as the program would and prints: seconds found peak-rss-kb
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "discovery/discovery.h"
#include "platform/posix/posix_file_system.h"
#include "ui/terminal/terminal_window.h"

namespace {

void Touch(const std::string& path) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd >= 0) ::close(fd);
}

int Make(const std::string& root, int leavesPerDirectory) {
  ::mkdir(root.c_str(), 0755);
  int dirs = 0, files = 0;
  for (int a = 0; a < 20; ++a) {
    std::string pa = root + "/a" + std::to_string(a);
    ::mkdir(pa.c_str(), 0755);
    for (int b = 0; b < 20; ++b) {
      std::string pb = pa + "/b" + std::to_string(b);
      ::mkdir(pb.c_str(), 0755);
      for (int c = 0; c < 20; ++c) {
        std::string pc = pb + "/c" + std::to_string(c);
        ::mkdir(pc.c_str(), 0755);
        for (int d = 0; d < leavesPerDirectory; ++d) {
          std::string pd = pc + "/d" + std::to_string(d);
          ::mkdir(pd.c_str(), 0755);
          ++dirs;
          for (int f = 0; f < 5; ++f, ++files) Touch(pd + "/file" + std::to_string(f) + ".m");
        }
      }
    }
  }
  // A few installations at different depths, in different spellings.
  for (const char* rel : {"/a1/toolbox/local", "/a7/b3/c9/toolbox/Local", "/a19/b19/c19/d24/m/toolbox/LOCAL"}) {
    std::string dir = root + rel;
    std::string cmd = "mkdir -p '" + dir + "'";
    if (std::system(cmd.c_str()) != 0) return 1;
    Touch(dir + "/pathdef.m");
  }
  std::printf("made %d leaf directories and %d files\n", dirs, files);
  return 0;
}

// Hands the scan's texts to the window, as the progress dialog does.
class WindowProgress : public vorex::UpdateProgress {
 public:
  explicit WindowProgress(vorex::DialogWindow& window) : window_(window) {}
  void SetStatusText(const std::string& text) override { window_.SetItemText(vorex::kIdcStatusText, text); }
  void SetDetailText(const std::string& text) override { window_.SetItemText(vorex::kIdcDetailText, text); }
  void DisableCancel() override {}
  void ShowMessage(const std::string&) override {}
  void ShowProblem(const std::string&) override {}
  void SetOutcome(vorex::ExitStatus) override {}

 private:
  vorex::DialogWindow& window_;
};

int Scan(const std::string& root) {
  using namespace vorex;
  PosixFileSystem fs({root});
  DiagnosticLog log;  // off, as without -log on
  int devnull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  TerminalWindow window(-1, devnull, false, "vorex");
  WindowProgress progress(window);
  std::atomic<int> running{1};
  StringList found;
  auto start = std::chrono::steady_clock::now();
  ScanFixedDrives(ScanContext{fs, log, running, progress, PathRules::Posix()}, found);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  std::printf("%.6f %zu %ld\n", seconds, found.size(), usage.ru_maxrss);
  return found.size() == 3 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) return 2;
  std::string mode = argv[1];
  // make TREE [LEAVES]: LEAVES leaf directories under each of the 8 000 inner ones (default 25).
  if (mode == "make") return Make(argv[2], argc == 4 ? std::atoi(argv[3]) : 25);
  if (mode == "scan") return Scan(argv[2]);
  return 2;
}
