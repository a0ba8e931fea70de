#include "platform/last_error.h"

namespace vorex {

namespace {
thread_local std::string t_lastError;
}  // namespace

bool FailWith(std::string reason) {
  t_lastError = std::move(reason);
  return false;
}

std::string LastFailure() {
  return t_lastError.empty() ? "unknown error" : t_lastError;
}

}  // namespace vorex
