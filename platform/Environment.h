#pragma once

#include <optional>
#include <string>

namespace vestrel::platform {

// One variable of the program's environment as UTF-8, the program's own text; nullopt when it
// is not set or empty. On Windows it is read from the wide environment (the narrow one is in
// the ANSI code page, which turns a Cyrillic folder into question marks on a Western system);
// elsewhere as the bytes it holds. Does not block; implemented once per build.
std::optional<std::string> EnvironmentText(const char* name);

}  // namespace vestrel::platform
