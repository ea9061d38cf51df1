#pragma once

#include "platform/Shell.h"

namespace vestrel::platform {

// The Windows shell: ShellExecute for addresses and programs, CreateProcess for a program waited
// for, the module's own file name.
class Win32Shell final : public Shell {
 public:
  bool openAddress(const std::string& address) override;
  bool startProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                    const std::filesystem::path& folder) override;
  std::optional<int> runProgram(const std::filesystem::path& program,
                                const std::vector<std::string>& arguments,
                                const std::filesystem::path& folder) override;
  std::filesystem::path shortPathName(const std::filesystem::path& path) override;
  std::filesystem::path executablePath() override;
  std::filesystem::path programHome() override;
  std::string systemCodePageText(const std::string& utf8) override;
};

}  // namespace vestrel::platform
