#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vestrel::platform {

// The desktop shell: opening addresses, starting programs, and where the program lives.
// Only runProgram blocks until the program it started ends.
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
  // Runs `program` with `arguments` in `folder`, without input, its output dropped, and blocks
  // the caller until it ends. Returns its exit code; nullopt when it could not be started or
  // did not end by itself (killed by a signal).
  virtual std::optional<int> runProgram(const std::filesystem::path& program,
                                        const std::vector<std::string>& arguments,
                                        const std::filesystem::path& folder) = 0;
  // The short (8.3) form of an existing file's path where the volume keeps one; elsewhere, and
  // on systems without short names, the path itself.
  virtual std::filesystem::path shortPathName(const std::filesystem::path& path) { return path; }
  // The full path of the running executable.
  virtual std::filesystem::path executablePath() = 0;
  // Where the files beside the program are looked up: VESTREL_HOME when set, else the
  // executable's directory.
  virtual std::filesystem::path programHome() = 0;
  // The folders that may hold files shipped beside the program (loaders, the archiver), in the
  // order they are searched: the program home first; an installed program adds the desktop's
  // shared data folders.
  virtual std::vector<std::filesystem::path> dataFolders() { return {programHome()}; }
  // Where the program writes its own files (the flash log): the program home where it may be
  // written, else the user's state folder for the program.
  virtual std::filesystem::path stateFolder() { return programHome(); }
  // The program's text (UTF-8) as a plain text file of this system holds it: the ANSI code page
  // on Windows (Windows-1251 on a Russian system, '?' for what it lacks), UTF-8 elsewhere.
  virtual std::string systemCodePageText(const std::string& utf8) { return utf8; }
};

}  // namespace vestrel::platform
