#pragma once
// For each window's own tests: the worker's end is an early tick, so a finished run does not
// wait out the poll period. A dialog stand-in sets one timer of a minute and starts a worker that
// only ends; the window must tick that timer at once.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/dialog_window.h"

namespace vorex::testing {

inline void ExpectWorkerEndTicksTheTimersAtOnce(DialogWindow& window) {
  struct Events : DialogEvents {
    DialogWindow& window;
    std::thread worker;
    unsigned ticks = 0;
    explicit Events(DialogWindow& w) : window(w) {}
    bool OnInitDialog() override {
      EXPECT_TRUE(window.SetTimer(7, 60 * 1000));
      worker = std::thread([this] { window.NotifyWorkerEnded(); });
      return true;
    }
    void OnTimer(unsigned id) override {
      EXPECT_EQ(id, 7u);
      ++ticks;
      window.EndDialog(kIdCancel);
    }
    void OnCancelButton() override {}
    void OnCloseRequest() override {}
    void OnDestroyWindow() override {
      window.WaitForWorker();
      worker.join();
    }
  };
  Events events(window);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(window.RunModal(events), kIdCancel);
  EXPECT_EQ(events.ticks, 1u);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));  // not the minute
}

}  // namespace vorex::testing
