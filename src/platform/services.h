#pragma once
// The platform objects that a program builds once and hands to the core, with what it decided
// about the run at start-up.
#include <chrono>
#include <string>

#include "base/path_rules.h"
#include "platform/file_system.h"
#include "platform/identity.h"
#include "platform/octave_places.h"
#include "platform/registry.h"
#include "platform/sleeper.h"
#include "platform/user_directory.h"

namespace vorex {

struct PlatformServices {
  Registry& registry;
  FileSystem& fs;
  Identity& identity;
  // The pauses of a run a person watches (unattended runs skip them).
  Sleeper& sleeper;
  PathRules rules;
  std::string appTitle;  // caption of every message box
  // Where relative directories are taken from (POSIX); empty when unknown.
  std::string currentDirectory;
  // The users whose own copies of pathdef.m are edited too; none when null.
  UserDirectory* users = nullptr;
  // Where GNU Octave may be installed (-octave on); none when null.
  OctavePlaces* octave = nullptr;
  // Whether the run has rights (Identity::RunsWithRights), asked once at start-up.
  bool withRights = false;
  // How long an edit waits for another run to finish with the same folder.
  std::chrono::milliseconds lockWait{30000};
};

}  // namespace vorex
