#pragma once

#include <filesystem>

#include "platform/Shell.h"

namespace vestrel::platform {

// The first of the shell's data folders that holds `relative` (e.g. "Profiles/0823.ldr");
// the program home when none does, so a message about the missing file names where it was
// looked for first.
std::filesystem::path FindProgramFolder(Shell& shell, const std::filesystem::path& relative);

// FindProgramFolder(shell, relative) / relative.
std::filesystem::path FindProgramFile(Shell& shell, const std::filesystem::path& relative);

}  // namespace vestrel::platform
