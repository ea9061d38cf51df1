#include "platform/win32/Win32Error.h"

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/win32/Win32Text.h"

namespace vestrel::platform {

namespace {

struct ErrorName {
  DWORD code;
  std::string_view name;
};

// The codes a device open, a driver request or a port call can end with.
constexpr ErrorName kErrorNames[] = {
    {ERROR_INVALID_FUNCTION, "ERROR_INVALID_FUNCTION"},
    {ERROR_FILE_NOT_FOUND, "ERROR_FILE_NOT_FOUND"},
    {ERROR_PATH_NOT_FOUND, "ERROR_PATH_NOT_FOUND"},
    {ERROR_ACCESS_DENIED, "ERROR_ACCESS_DENIED"},
    {ERROR_INVALID_HANDLE, "ERROR_INVALID_HANDLE"},
    {ERROR_NOT_ENOUGH_MEMORY, "ERROR_NOT_ENOUGH_MEMORY"},
    {ERROR_GEN_FAILURE, "ERROR_GEN_FAILURE"},
    {ERROR_SHARING_VIOLATION, "ERROR_SHARING_VIOLATION"},
    {ERROR_NOT_SUPPORTED, "ERROR_NOT_SUPPORTED"},
    {ERROR_INVALID_PARAMETER, "ERROR_INVALID_PARAMETER"},
    {ERROR_INSUFFICIENT_BUFFER, "ERROR_INSUFFICIENT_BUFFER"},
    {ERROR_SEM_TIMEOUT, "ERROR_SEM_TIMEOUT"},
    {ERROR_NO_MORE_ITEMS, "ERROR_NO_MORE_ITEMS"},
    {ERROR_OPERATION_ABORTED, "ERROR_OPERATION_ABORTED"},
    {ERROR_IO_INCOMPLETE, "ERROR_IO_INCOMPLETE"},
    {ERROR_IO_PENDING, "ERROR_IO_PENDING"},
    {ERROR_DEVICE_NOT_CONNECTED, "ERROR_DEVICE_NOT_CONNECTED"},
    {ERROR_BAD_COMMAND, "ERROR_BAD_COMMAND"},
    {ERROR_DEV_NOT_EXIST, "ERROR_DEV_NOT_EXIST"},
    {ERROR_NOT_READY, "ERROR_NOT_READY"},
    {ERROR_TIMEOUT, "ERROR_TIMEOUT"},
    {WAIT_TIMEOUT, "WAIT_TIMEOUT"},
};

// In the system's language, as UTF-8: the narrow call would give the ANSI code page.
std::string SystemText(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message = fromWide(std::wstring(text ? text : L"", length));
  LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  return message;
}

}  // namespace

OsError Win32Error(std::uint32_t code) {
  if (code == 0) return {};
  std::string name = "WIN32_" + std::to_string(code);
  for (const auto& known : kErrorNames) {
    if (known.code == code) name = std::string(known.name);
  }
  return {code, std::move(name), SystemText(code)};
}

OsError LastWin32Error() { return Win32Error(GetLastError()); }

bool MeansDeviceGone(std::uint32_t code) {
  switch (code) {
    case ERROR_INVALID_HANDLE:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_BAD_COMMAND:
      return true;
    default:
      return false;
  }
}

}  // namespace vestrel::platform
