#pragma once
// The people on the machine whose own pathdef.m MATLAB may read: MATLAB starts in a user's
// startup folder (Documents/MATLAB) and reads a pathdef.m there before the installation's.
#include <string>
#include <vector>

namespace vorex {

struct UserHome {
  // The profile (Windows) or home directory (POSIX).
  std::string home;
  // Where the system keeps this user's documents when it says so itself (Windows: the running
  // user's Documents known folder, which follows a redirected or synced folder); empty otherwise.
  std::string documents;
  // The account this run is.
  bool isRunner = false;
  // The user's name, for the report; empty when unknown.
  std::string name;
};

class UserDirectory {
 public:
  virtual ~UserDirectory() = default;
  // The running user's home, and with `everyone` every other user's too (no service accounts).
  virtual std::vector<UserHome> Homes(bool everyone) = 0;
};

}  // namespace vorex
