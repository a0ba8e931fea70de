#pragma once
// The platform objects that a program builds once and hands to the core.
#include <string>

#include "base/path_rules.h"
#include "platform/file_system.h"
#include "platform/octave_places.h"
#include "platform/registry.h"
#include "platform/sleeper.h"
#include "platform/user_directory.h"

namespace vorex {

struct PlatformServices {
  Registry& registry;
  FileSystem& fs;
  Sleeper& sleeper;
  PathRules rules;
  std::string appTitle;  // caption of every message box
  // Where relative directories are taken from (POSIX); empty when unknown.
  std::string currentDirectory;
  // The users whose own copies of pathdef.m are edited too; none when null.
  UserDirectory* users = nullptr;
  // Where GNU Octave may be installed (-octave on); none when null.
  OctavePlaces* octave = nullptr;
};

}  // namespace vorex
