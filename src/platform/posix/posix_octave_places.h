#pragma once
#include <string>

#include "platform/octave_places.h"

namespace vorex {

// Every `octave` and `octave-cli` on PATH (links followed; the prefix is the parent of its
// folder, which must be named bin), then /usr, /usr/local, /opt/homebrew and the macOS bundles
// /Applications/Octave-*.app/Contents/Resources/usr. A run with rights takes only absolute
// PATH entries, as for MATLAB's launchers.
class PosixOctavePlaces : public OctavePlaces {
 public:
  PosixOctavePlaces(std::string pathVariable, bool withRights)
      : pathVariable_(std::move(pathVariable)), withRights_(withRights) {}
  std::vector<std::string> Prefixes() override;

 private:
  std::string pathVariable_;
  bool withRights_;
};

}  // namespace vorex
