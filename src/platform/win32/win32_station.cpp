#include "platform/win32/win32_station.h"

namespace vorex {

bool ReadProcessStationFlags(DWORD* flags) {
  HWINSTA station = GetProcessWindowStation();
  USEROBJECTFLAGS object{};
  DWORD needed = 0;
  if (!station || !GetUserObjectInformationA(station, UOI_FLAGS, &object, sizeof object, &needed)) return false;
  *flags = object.dwFlags;
  return true;
}

std::string UnattendedStation(const StationFlagsReader& readFlags) {
  DWORD flags = 0;
  if (!readFlags(&flags) || (flags & WSF_VISIBLE) != 0) return {};
  return "the window station is not interactive (a service, or the system account in session 0)";
}

}  // namespace vorex
