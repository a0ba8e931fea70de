// The POSIX program: the portable core with the POSIX stand-ins and the terminal dialog.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/program.h"
#include "base/paths.h"
#include "platform/memory_registry.h"
#include "platform/posix/launcher_registration.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_identity.h"
#include "platform/posix/posix_octave_places.h"
#include "platform/posix/posix_user_directory.h"
#include "platform/thread_sleeper.h"
#include "ui/terminal/close_signals.h"
#include "ui/terminal/terminal_window.h"

namespace {

// A descriptor 0, 1 or 2 that the caller left closed would be taken by the next file opened, and
// text meant for the terminal would land in that file: each is held by /dev/null instead. True
// when standard output was closed, so that a report written there is known to be lost.
bool HoldStandardDescriptors() {
  bool outputClosed = false;
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    outputClosed |= fd == STDOUT_FILENO;
    int null = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (null >= 0 && null != fd) {
      ::dup2(null, fd);
      ::close(null);
    }
  }
  return outputClosed;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vorex;
  // Close requests (Ctrl-C, SIGTERM, SIGHUP) are heard from here on: one that arrives while the
  // program starts cancels the run like any other, instead of ending the process.
  CloseSignals closeSignals(-1);
  const bool outputClosed = HoldStandardDescriptors();
  std::vector<std::string> args(argv, argv + argc);
  std::string title = args.empty() ? "vorex" : FileStem(args[0], PathRules::Posix());

  // Whether the run has rights is decided here, once, and handed down.
  PosixIdentity identity;
  const bool withRights = identity.RunsWithRights();
  MemoryRegistry registry;
  const char* path = std::getenv("PATH");
  RegisterInstallations(registry, path ? path : "", StandardMatlabRoots(), withRights);
  PosixFileSystem fs;
  PosixUserDirectory users;
  PosixOctavePlaces octave(path ? path : "", withRights);
  ThreadSleeper sleeper(ThreadSleeper::PercentFromEnvironment());
  bool interactive = ::isatty(STDIN_FILENO) && ::isatty(STDERR_FILENO);
  std::string cwd;
  if (char* dir = ::getcwd(nullptr, 0)) {
    cwd = dir;
    std::free(dir);
  }

  // The shell hands each argument over whole: a directory named "/opt/a -path b" is one value,
  // which the text of a joined line could no longer tell.
  return RunProgram({{registry, fs, identity, sleeper, PathRules::Posix(), title, cwd, &users, &octave, withRights},
                     [&] { return std::make_unique<TerminalWindow>(STDIN_FILENO, STDERR_FILENO, interactive, title); },
                     [](const std::string& text, const std::string& caption) {
                       std::fprintf(stderr, "%s\n%s", caption.c_str(), text.c_str());
                     },
                     [](const std::string& text, const std::string&) { std::fputs(text.c_str(), stdout); },
                     [&] { return TerminalWindow::Silent(STDERR_FILENO, title); },
                     [](const std::string& text) { std::fputs(text.c_str(), stderr); },
                     [outputClosed](const std::string& text, std::string* why) {
                       errno = EBADF;
                       if (!outputClosed && std::fwrite(text.data(), 1, text.size(), stdout) == text.size() &&
                           std::fflush(stdout) == 0)
                         return true;
                       *why = std::strerror(errno);
                       return false;
                     }},
                    ParseArguments(args));
}
