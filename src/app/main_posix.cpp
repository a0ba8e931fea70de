// The POSIX program: the portable core with the POSIX stand-ins and the terminal dialog.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
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
#include "ui/terminal/terminal_window.h"

int main(int argc, char** argv) {
  using namespace vorex;
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
                     [](const std::string& text) {
                       std::fputs(text.c_str(), stdout);
                       std::fflush(stdout);
                     }},
                    ParseArguments(args));
}
