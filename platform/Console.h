#pragma once

#include <cstdio>

namespace vestrel::platform {

// True when `stream` is a terminal a person watches (progress is drawn only there).
// Implemented once per build, beside OpenHost.
bool IsTerminal(std::FILE* stream);

}  // namespace vestrel::platform
