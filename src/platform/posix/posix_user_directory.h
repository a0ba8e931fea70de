#pragma once
#include "platform/user_directory.h"

namespace vorex {

// The homes in the password database; the running user is the effective uid's entry.
class PosixUserDirectory : public UserDirectory {
 public:
  std::vector<UserHome> Homes(bool everyone) override;
};

}  // namespace vorex
