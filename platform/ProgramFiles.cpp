#include "platform/ProgramFiles.h"

namespace vestrel::platform {

std::filesystem::path FindProgramFolder(Shell& shell, const std::filesystem::path& relative) {
  std::error_code error;
  for (const auto& folder : shell.dataFolders()) {
    if (std::filesystem::exists(folder / relative, error)) return folder;
  }
  return shell.programHome();
}

std::filesystem::path FindProgramFile(Shell& shell, const std::filesystem::path& relative) {
  return FindProgramFolder(shell, relative) / relative;
}

}  // namespace vestrel::platform
