#include "platform/win32/Win32Handle.h"

#include "platform/win32/Win32Error.h"

namespace vestrel::platform {

OsError Win32Handle::close() {
  if (!isOpen()) return Win32Error(ERROR_INVALID_HANDLE);
  const HANDLE handle = handle_;
  handle_ = INVALID_HANDLE_VALUE;
  return CloseHandle(handle) ? OsError{} : LastWin32Error();
}

HANDLE OpenDevice(const std::string& devicePath, DWORD flags, OsError& error) {
  const HANDLE handle =
      CreateFileA(devicePath.c_str(), GENERIC_READ | GENERIC_WRITE,
                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, flags, nullptr);
  error = handle == INVALID_HANDLE_VALUE ? LastWin32Error() : OsError{};
  return handle;
}

}  // namespace vestrel::platform
