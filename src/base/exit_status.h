#pragma once

namespace vorex {

// What installers and scripts read back.
enum ExitStatus : int {
  kExitSuccess = 0,
  kExitFailure = 1,
  kExitNotFound = 2,
  kExitCancelled = 3,
  // -check on: at least one file would change (and none failed).
  kExitWouldChange = 4,
  kExitUsage = 64,
};

}  // namespace vorex
