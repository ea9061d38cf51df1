#include <windows.h>

#include <string>

#include "platform/Environment.h"
#include "platform/win32/Win32Text.h"

namespace vestrel::platform {

std::optional<std::string> EnvironmentText(const char* name) {
  const std::wstring wideName = toWide(name);
  std::wstring value(64, L'\0');
  for (;;) {
    SetLastError(ERROR_SUCCESS);
    const DWORD length =
        GetEnvironmentVariableW(wideName.c_str(), value.data(), static_cast<DWORD>(value.size()));
    if (length == 0) return std::nullopt;
    // A value that did not fit gives the size it needs, its closing zero counted.
    if (length < value.size()) {
      value.resize(length);
      return fromWide(value);
    }
    value.resize(length);
  }
}

}  // namespace vestrel::platform
