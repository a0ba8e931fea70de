#include "platform/posix/posix_user_directory.h"

#include <pwd.h>
#include <unistd.h>

namespace vorex {

std::vector<UserHome> PosixUserDirectory::Homes(bool everyone) {
  std::vector<UserHome> homes;
  uid_t self = ::geteuid();
  if (!everyone) {
    std::vector<char> buf(16384);
    struct passwd pw {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(self, &pw, buf.data(), buf.size(), &found) == 0 && found && found->pw_dir)
      homes.push_back({found->pw_dir, "", true, found->pw_name});
    return homes;
  }
  ::setpwent();
  while (struct passwd* pw = ::getpwent()) {
    // No home, or the root of the disk as a home (service accounts): nothing of a person there.
    if (!pw->pw_dir || pw->pw_dir[0] != '/' || pw->pw_dir[1] == 0) continue;
    homes.push_back({pw->pw_dir, "", pw->pw_uid == self, pw->pw_name});
  }
  ::endpwent();
  return homes;
}

}  // namespace vorex
