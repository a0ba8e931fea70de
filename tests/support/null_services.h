#pragma once
// Services for a dialog under test: a memory registry, a fake file system and no pauses.
#include "platform/memory_registry.h"
#include "platform/sleeper.h"
#include "support/fake_file_system.h"
#include "support/recording_window.h"
#include "ui/path_update_dlg.h"

namespace vorex::testing {

class RecordingSleeper : public Sleeper {
 public:
  void Sleep(unsigned milliseconds) override {
    std::lock_guard lock(mutex_);
    pauses_.push_back(milliseconds);
  }
  std::vector<unsigned> Pauses() {
    std::lock_guard lock(mutex_);
    return pauses_;
  }

 private:
  std::mutex mutex_;
  std::vector<unsigned> pauses_;
};

// Users and their homes, as a test sets them.
class FakeUserDirectory : public UserDirectory {
 public:
  std::vector<UserHome> homes;
  std::vector<UserHome> Homes(bool everyone) override {
    std::vector<UserHome> wanted;
    for (const UserHome& h : homes)
      if (everyone || h.isRunner) wanted.push_back(h);
    return wanted;
  }
};

class FakeOctavePlaces : public OctavePlaces {
 public:
  std::vector<std::string> prefixes;
  std::vector<std::string> Prefixes() override { return prefixes; }
};

struct TestServices {
  MemoryRegistry registry;
  FakeFileSystem fs;
  RecordingSleeper sleeper;
  RecordingWindow window;
  FakeUserDirectory users;
  FakeOctavePlaces octave;
  PathRules rules = PathRules::Windows();
  PlatformServices platform{registry, fs, fs, sleeper, rules, "vorex", "", &users, &octave};

  // The platform as the program hands it over: the rules and rights as the test set them.
  const PlatformServices& Platform() {
    platform.rules = rules;
    platform.withRights = fs.withRights;
    return platform;
  }
  DialogServices Dialog(bool silent = false) { return DialogServices{Platform(), window, silent}; }
};

}  // namespace vorex::testing
