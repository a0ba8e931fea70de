#pragma once
// Who the run is on POSIX, and acting as another user for file access on the working thread
// alone, for as long as one file's edit lasts: the kernel then refuses whatever that user could
// not do, however the paths on the way change meanwhile. The other threads (the window, the
// log's owner) keep the run's identity.
#include <memory>

#include "platform/identity.h"

namespace vorex {

class PosixIdentity : public Identity {
 public:
  bool RunsWithRights() override;
  bool IsTrusted(const Account& account) override;
  // Linux: setfsuid, setfsgid and the user's groups through the raw system call, so that the
  // other threads keep theirs; kUnsupported elsewhere.
  FsStatus ActAs(const Account& account, std::unique_ptr<ActingIdentity>* guard) override;
};

}  // namespace vorex
