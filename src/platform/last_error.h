#pragma once
// Why the calling thread's last failed platform call failed, in the system's words; each thread
// edits or logs on its own, so each keeps its own reason.
#include <string>

namespace vorex {

// Records the reason and returns false, so that a failing call can end with `return Fail(...)`.
bool FailWith(std::string reason);
// The last reason recorded on this thread, or "unknown error".
std::string LastFailure();

}  // namespace vorex
