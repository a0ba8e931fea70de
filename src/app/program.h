#pragma once
// The program's body, the same on every platform: each main builds its platform objects, then
// hands them over with the command line.
#include <functional>
#include <memory>
#include <string>

#include "platform/dialog_window.h"
#include "platform/services.h"

namespace vorex {

struct ProgramPlatform {
  PlatformServices services;
  std::function<std::unique_ptr<DialogWindow>()> makeWindow;
  // Shows the usage message: a box with no owner and one OK button, or its stand-in.
  std::function<void(const std::string& text, const std::string& caption)> showUsage;
};

// Runs the update that the command line asks for; returns the process's exit status.
int RunProgram(ProgramPlatform platform, const std::string& commandLine);

}  // namespace vorex
