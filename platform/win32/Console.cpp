#include "platform/Console.h"

#include <io.h>

namespace vestrel::platform {

bool IsTerminal(std::FILE* stream) { return ::_isatty(::_fileno(stream)) != 0; }

}  // namespace vestrel::platform
