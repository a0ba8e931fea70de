#pragma once
// The run's fixed pauses go through this so that tests need not wait for them.
namespace vorex {

class Sleeper {
 public:
  virtual ~Sleeper() = default;
  virtual void Sleep(unsigned milliseconds) = 0;
};

// Unattended runs skip the pauses: they exist so that a person can read the dialog.
class NoSleeper : public Sleeper {
 public:
  void Sleep(unsigned /*milliseconds*/) override {}
};

}  // namespace vorex
