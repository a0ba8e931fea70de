#pragma once
// A one-shot signal between a test and a worker it controls.
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace vorex::testing {

class Gate {
 public:
  void Open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    cv_.notify_all();
  }
  bool Wait(std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, limit, [this] { return open_; });
  }
  bool IsOpen() {
    std::lock_guard lock(mutex_);
    return open_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool open_ = false;
};

}  // namespace vorex::testing
