#pragma once
#include <chrono>
#include <thread>

#include "platform/sleeper.h"

namespace vorex {

// Real pauses, scaled by a percentage (100 = as asked; test runs of the built program use 0).
class ThreadSleeper : public Sleeper {
 public:
  explicit ThreadSleeper(unsigned percent = 100) : percent_(percent) {}
  void Sleep(unsigned milliseconds) override {
    std::this_thread::sleep_for(
        std::chrono::milliseconds(static_cast<unsigned long long>(milliseconds) * percent_ / 100));
  }
  // The percentage named by VOREX_PAUSE_PERCENT, 100 when unset or unreadable.
  static unsigned PercentFromEnvironment();

 private:
  unsigned percent_;
};

}  // namespace vorex
