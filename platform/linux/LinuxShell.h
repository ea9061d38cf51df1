#pragma once

#include <string>

#include "platform/Shell.h"

namespace vestrel::platform {

// The shell on a Linux desktop: addresses go to the desktop's opener (xdg-open unless another
// is named), programs are started detached through /bin/sh so nothing waits for them.
class LinuxShell final : public Shell {
 public:
  explicit LinuxShell(std::string opener = "xdg-open") : opener_(std::move(opener)) {}

  bool openAddress(const std::string& address) override;
  bool startProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                    const std::filesystem::path& folder) override;
  std::filesystem::path executablePath() override;
  std::filesystem::path programHome() override;

 private:
  std::string opener_;
};

}  // namespace vestrel::platform
