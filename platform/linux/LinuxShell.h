#pragma once

#include <string>

#include "platform/Shell.h"

namespace vestrel::platform {

// The shell on a Linux desktop: addresses go to the desktop's opener (xdg-open unless another
// is named), programs are started detached through /bin/sh so nothing waits for them; only
// runProgram waits, for the program it ran.
class LinuxShell final : public Shell {
 public:
  explicit LinuxShell(std::string opener = "xdg-open") : opener_(std::move(opener)) {}

  bool openAddress(const std::string& address) override;
  bool startProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                    const std::filesystem::path& folder) override;
  std::optional<int> runProgram(const std::filesystem::path& program,
                                const std::vector<std::string>& arguments,
                                const std::filesystem::path& folder) override;
  std::filesystem::path executablePath() override;
  std::filesystem::path programHome() override;
  // The program home, then $XDG_DATA_HOME/vestrel (default ~/.local/share/vestrel), then each
  // folder of $XDG_DATA_DIRS (default /usr/local/share:/usr/share) followed by vestrel.
  std::vector<std::filesystem::path> dataFolders() override;
  // The program home when this user may write there, else $XDG_STATE_HOME/vestrel (default
  // ~/.local/state/vestrel), made when missing.
  std::filesystem::path stateFolder() override;

 private:
  std::string opener_;
};

}  // namespace vestrel::platform
