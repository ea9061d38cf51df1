#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/Shell.h"

namespace vestrel::platform {

// A shell that only records what it was asked to open, start or run; a run ends with what
// `onRun` makes of it (a test's stand-in for the program), else with `exitCode`.
class RecordingShell final : public Shell {
 public:
  struct StartedProgram {
    std::filesystem::path program;
    std::vector<std::string> arguments;
    std::filesystem::path folder;
  };

  explicit RecordingShell(std::filesystem::path executable = "/opt/vestrel/vestrel")
      : executable_(std::move(executable)) {}

  bool openAddress(const std::string& address) override {
    openedAddresses.push_back(address);
    return succeeds;
  }
  bool startProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                    const std::filesystem::path& folder) override {
    startedPrograms.push_back({program, arguments, folder});
    return succeeds;
  }
  std::optional<int> runProgram(const std::filesystem::path& program,
                                const std::vector<std::string>& arguments,
                                const std::filesystem::path& folder) override {
    ranPrograms.push_back({program, arguments, folder});
    return onRun ? onRun(ranPrograms.back()) : exitCode;
  }
  std::filesystem::path executablePath() override { return executable_; }
  std::filesystem::path programHome() override { return executable_.parent_path(); }

  // What every open and start reports back.
  bool succeeds = true;
  std::vector<std::string> openedAddresses;
  std::vector<StartedProgram> startedPrograms;
  std::optional<int> exitCode = 0;
  std::function<std::optional<int>(const StartedProgram&)> onRun;
  std::vector<StartedProgram> ranPrograms;

 private:
  std::filesystem::path executable_;
};

}  // namespace vestrel::platform
