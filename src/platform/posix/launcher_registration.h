#pragma once
#include <string>

#include "platform/memory_registry.h"

namespace vorex {

// UNIX has no class registration: the `matlab` launcher found on PATH (links followed) stands in
// for the registered server command line, so the registry lookup finds <root>/toolbox/local.
// Returns false, registering nothing, when there is no launcher.
bool RegisterLauncherFromPath(MemoryRegistry& registry, const std::string& pathVariable);

extern const char kLauncherClsid[];

}  // namespace vorex
