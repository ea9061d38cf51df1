#pragma once

#include <optional>
#include <string>

namespace vestrel::platform {

// An XDG autostart desktop entry that starts `command` (one program path, no arguments) and
// is listed under `name`.
std::string autostartEntryText(const std::string& name, const std::string& command);

// The program an autostart entry starts; nullopt when the entry has no command, is hidden or
// is switched off.
std::optional<std::string> autostartEntryCommand(const std::string& entryText);

}  // namespace vestrel::platform
