#pragma once
// Who this run is, and acting as somebody else. A run with rights (an installer, a deployment
// service) edits a file in a user's place with that user's rights, so that the system itself
// refuses whatever the user could not do.
#include <memory>

#include "platform/file_system.h"

namespace vorex {

// While alive, this thread reaches files with another user's rights; the run's own come back
// when it is destroyed.
class ActingIdentity {
 public:
  virtual ~ActingIdentity() = default;
};

class Identity {
 public:
  virtual ~Identity() = default;
  // True when the run may change files that their owners keep from others (POSIX: effective
  // uid 0; Windows: an elevated token or the system account). Asked once, at start-up.
  virtual bool RunsWithRights() = 0;
  // Root, an administrator, the system, or the account this run is: nobody a run acts for.
  virtual bool IsTrusted(const Account& account) = 0;
  // Switches this thread to `account`'s rights until the guard is destroyed. kUnsupported where
  // the platform has no per-thread identity; kFailed (null guard) when the switch was refused.
  virtual FsStatus ActAs(const Account& account, std::unique_ptr<ActingIdentity>* guard) = 0;
};

}  // namespace vorex
