#pragma once
// Takes on another user's rights for file access on this thread alone, for as long as one file's
// edit lasts: the kernel then refuses whatever that user could not do, however the paths on the
// way change meanwhile. The other threads (the window, the log's owner) keep the run's identity.
#include <memory>

#include "platform/file_system.h"

namespace vorex {

// kOk with a guard that restores the run's identity when destroyed; kFailed when the switch was
// refused (LastError says why); kUnsupported where the system has no per-thread identity.
FsStatus ActAsOnThisThread(const EntryOwner& owner, std::unique_ptr<ActingIdentity>* guard);

}  // namespace vorex
