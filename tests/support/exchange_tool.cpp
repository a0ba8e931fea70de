// Test helper: swaps two names atomically, over and over, for a while. An unprivileged user who
// owns a folder can do this to make one name stand by turns for a real file and for a link into a
// place that is not theirs; the end-to-end race runs it against a program running with rights,
// which must never be steered into that place whichever name it meets at any moment.
//   exchange_tool A B MILLISECONDS
// Failed swaps are ignored (a name may be missing for a moment): the exit status is 0, or 2 when
// the arguments are not these three.
#include <fcntl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::atoll(argv[3]));
  while (std::chrono::steady_clock::now() < end) {
    for (int i = 0; i < 1000; ++i) ::renameat2(AT_FDCWD, argv[1], AT_FDCWD, argv[2], RENAME_EXCHANGE);
  }
  return 0;
}
