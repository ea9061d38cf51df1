#include "platform/Console.h"

#include <io.h>
#include <windows.h>

#include <shellapi.h>

#include "platform/win32/Win32Text.h"

namespace vestrel::platform {

bool IsTerminal(std::FILE* stream) { return ::_isatty(::_fileno(stream)) != 0; }

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(fromWide(wide[i]));
  LocalFree(wide);
  return arguments;
}

}  // namespace vestrel::platform
