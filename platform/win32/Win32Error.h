#pragma once

#include <cstdint>

#include "platform/OsError.h"

namespace vestrel::platform {

// A Windows error code as the boundary carries it: "ERROR_FILE_NOT_FOUND" (2) or "WIN32_<n>",
// with the system's own message text. Zero gives an empty error.
OsError Win32Error(std::uint32_t code);

// The calling thread's last error.
OsError LastWin32Error();

// Whether the code says the device itself is gone (unplugged, a stale or closed handle) rather
// than that it refused the request.
bool MeansDeviceGone(std::uint32_t code);

}  // namespace vestrel::platform
