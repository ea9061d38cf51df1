#include "platform/Console.h"

#include <unistd.h>

namespace vestrel::platform {

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) != 0; }

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

}  // namespace vestrel::platform
