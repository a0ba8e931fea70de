#pragma once
#include "platform/octave_places.h"

namespace vorex {

// Every GNU Octave\Octave-* folder under the program-files folders, and every installation
// Octave's installer recorded under ...\CurrentVersion\Uninstall\Octave-<version> (its
// UninstallString names <installation>\uninstall.exe), in both registry views. Each
// installation gives its mingw64 and mingw32 prefixes (the current layouts) and itself (the
// older one).
class Win32OctavePlaces : public OctavePlaces {
 public:
  std::vector<std::string> Prefixes() override;
};

}  // namespace vorex
