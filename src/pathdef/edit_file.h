#pragma once
#include <functional>
#include <string>
#include <string_view>

#include "log/diagnostic_log.h"
#include "platform/file_system.h"

namespace vorex {

// Reads pathdef.m, writes the transformed text to pathdef.new beside it, flushes it to disk and
// puts it in the place of pathdef.m. A transform that returns false fails the file. On any
// failure pathdef.m keeps its old text and no pathdef.new is left behind.
using TextTransform = std::function<bool(std::string_view text, std::string* out)>;
bool EditOneFile(FileSystem& fs, DiagnosticLog& log, const std::string& path, const TextTransform& transform);

}  // namespace vorex
