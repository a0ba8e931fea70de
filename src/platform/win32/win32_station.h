#pragma once
// Whether a person can be at the screen: a process of a service, or of the system account in
// session 0, runs on a window station that is not interactive, where a window or a box waits for
// nobody.
#include <functional>
#include <string>

#include "platform/win32/windows_api.h"

namespace vorex {

// The window station's flags (UOI_FLAGS); false when they cannot be read.
using StationFlagsReader = std::function<bool(DWORD* flags)>;
bool ReadProcessStationFlags(DWORD* flags);

// Why nobody can answer a window here, for the log; empty where the station is interactive, or
// where that cannot be told (as before: a person may be there).
std::string UnattendedStation(const StationFlagsReader& readFlags = ReadProcessStationFlags);

}  // namespace vorex
