#pragma once

#include "platform/Shell.h"

namespace vestrel::backup {

// The dialog's shell. runProgram (the archiver packing a saved file) waits on a thread of its
// own while the calling thread keeps running its events, so the dialog repaints, moves and
// takes a close request while a file is packed; it still returns only once the program has
// ended. Everything else is the shell underneath, which must outlive this one and whose
// runProgram may be called from another thread. Used on the dialog's thread.
class EventLoopShell final : public platform::Shell {
 public:
  explicit EventLoopShell(platform::Shell& shell) : shell_(shell) {}

  bool openAddress(const std::string& address) override { return shell_.openAddress(address); }
  bool startProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                    const std::filesystem::path& folder) override {
    return shell_.startProgram(program, arguments, folder);
  }
  std::optional<int> runProgram(const std::filesystem::path& program,
                                const std::vector<std::string>& arguments,
                                const std::filesystem::path& folder) override;
  std::filesystem::path shortPathName(const std::filesystem::path& path) override {
    return shell_.shortPathName(path);
  }
  std::filesystem::path executablePath() override { return shell_.executablePath(); }
  std::filesystem::path programHome() override { return shell_.programHome(); }
  std::vector<std::filesystem::path> dataFolders() override { return shell_.dataFolders(); }
  std::filesystem::path stateFolder() override { return shell_.stateFolder(); }
  std::string systemCodePageText(const std::string& utf8) override {
    return shell_.systemCodePageText(utf8);
  }

 private:
  platform::Shell& shell_;
};

}  // namespace vestrel::backup
