#include "platform/Console.h"

#include <unistd.h>

namespace vestrel::platform {

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) != 0; }

}  // namespace vestrel::platform
