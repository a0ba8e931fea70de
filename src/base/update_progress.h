#pragma once
// What the update run, and discovery inside it, tell the user while they work. The progress
// dialog implements it; tests record it. Called from the worker thread.
#include <string>

#include "base/exit_status.h"

namespace vorex {

class UpdateProgress {
 public:
  virtual ~UpdateProgress() = default;
  virtual void SetStatusText(const std::string& text) = 0;
  virtual void SetDetailText(const std::string& text) = 0;
  // Greys out Cancel once there is nothing left to cancel.
  virtual void DisableCancel() = 0;
  // A box with the application's caption; returns when the user has dismissed it.
  virtual void ShowMessage(const std::string& text) = 0;
  // One line saying why a step failed, where the user can still read it after the box.
  virtual void ShowProblem(const std::string& line) = 0;
  // What the process will exit with.
  virtual void SetOutcome(ExitStatus outcome) = 0;
};

}  // namespace vorex
