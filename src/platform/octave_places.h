#pragma once
// Where GNU Octave may be installed on this machine: the prefixes under which an installation
// keeps share/octave/site/m/startup, the folder of the site startup file every user's Octave
// runs. The core keeps only those that have that folder.
#include <string>
#include <vector>

namespace vorex {

class OctavePlaces {
 public:
  virtual ~OctavePlaces() = default;
  // Candidate prefixes, most specific first; duplicates allowed.
  virtual std::vector<std::string> Prefixes() = 0;
};

}  // namespace vorex
