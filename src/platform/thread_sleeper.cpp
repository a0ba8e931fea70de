#include "platform/thread_sleeper.h"

#include <cstdlib>
#include <string>

namespace vorex {

unsigned ThreadSleeper::PercentFromEnvironment() {
  const char* text = std::getenv("VOREX_PAUSE_PERCENT");
  if (!text || !*text) return 100;
  char* end = nullptr;
  unsigned long value = std::strtoul(text, &end, 10);
  return (*end == '\0' && value <= 100) ? static_cast<unsigned>(value) : 100;
}

}  // namespace vorex
