#pragma once
#include "platform/registry.h"
#include "platform/user_directory.h"

namespace vorex {

// The profiles the system lists under ProfileList (the service accounts' left out), read through
// the registry seam, and the running user's Documents known folder.
class Win32UserDirectory : public UserDirectory {
 public:
  explicit Win32UserDirectory(Registry& registry) : registry_(registry) {}
  std::vector<UserHome> Homes(bool everyone) override;

 private:
  Registry& registry_;
};

}  // namespace vorex
