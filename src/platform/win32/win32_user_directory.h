#pragma once
#include "platform/user_directory.h"

namespace vorex {

// The profiles the system lists under ProfileList (the service accounts' left out), and the
// running user's Documents known folder.
class Win32UserDirectory : public UserDirectory {
 public:
  std::vector<UserHome> Homes(bool everyone) override;
};

}  // namespace vorex
