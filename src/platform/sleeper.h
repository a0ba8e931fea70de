#pragma once
// The run's fixed pauses go through this so that tests need not wait for them.
namespace vorex {

class Sleeper {
 public:
  virtual ~Sleeper() = default;
  virtual void Sleep(unsigned milliseconds) = 0;
};

}  // namespace vorex
