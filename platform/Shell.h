#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace vestrel::platform {

// The desktop shell: opening addresses, starting programs, and where the program lives.
// Nothing here blocks until the opened or started program ends.
class Shell {
 public:
  virtual ~Shell() = default;
  // Hands a web address or a "mailto:" address to the desktop's opener; false when the
  // opener could not be started.
  virtual bool openAddress(const std::string& address) = 0;
  // Starts `program` with `arguments` in `folder` and returns at once; false when the
  // folder or the program cannot be used.
  virtual bool startProgram(const std::filesystem::path& program,
                            const std::vector<std::string>& arguments,
                            const std::filesystem::path& folder) = 0;
  // The full path of the running executable.
  virtual std::filesystem::path executablePath() = 0;
  // Where the files beside the program are looked up: VESTREL_HOME when set, else the
  // executable's directory.
  virtual std::filesystem::path programHome() = 0;
};

}  // namespace vestrel::platform
