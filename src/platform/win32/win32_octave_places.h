#pragma once
#include "platform/octave_places.h"

namespace vorex {

// Every GNU Octave\Octave-* folder under the program-files folders; each gives its mingw64 and
// mingw32 prefixes (the current layouts) and itself (the older one). What Octave's installer
// recorded in the registry the core reads itself, through the registry seam.
class Win32OctavePlaces : public OctavePlaces {
 public:
  std::vector<std::string> Prefixes() override;
};

}  // namespace vorex
