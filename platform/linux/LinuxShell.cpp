#include "platform/linux/LinuxShell.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

extern char** environ;

namespace vestrel::platform {
namespace {

// Waits for the child `pid`; its exit code, or nullopt when it was killed or cannot be waited for.
std::optional<int> exitCodeOf(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return std::nullopt;
  }
  if (!WIFEXITED(status)) return std::nullopt;
  return WEXITSTATUS(status);
}

// Runs a /bin/sh script with positional arguments and waits for the shell only; the script
// puts the real work in the background, so the caller never waits for the started program.
// The arguments reach the script as "$1".. and are never parsed by the shell.
bool runDetached(const char* script, const std::vector<std::string>& arguments) {
  std::vector<std::string> words = {"sh", "-c", script, "sh"};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (auto& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  pid_t pid = 0;
  if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv.data(), environ) != 0) return false;
  return exitCodeOf(pid) == 0;
}

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// An XDG base folder: the variable when it names an absolute path, else $HOME + `fallback`.
std::filesystem::path UserBaseFolder(const char* variable, const char* fallback) {
  const std::filesystem::path set = Environment(variable);
  if (set.is_absolute()) return set;
  return std::filesystem::path(Environment("HOME")) / fallback;
}

constexpr const char* kProgramFolder = "vestrel";

}  // namespace

bool LinuxShell::openAddress(const std::string& address) {
  return runDetached(
      "command -v -- \"$1\" >/dev/null || exit 1; "
      "\"$1\" \"$2\" </dev/null >/dev/null 2>&1 &",
      {opener_, address});
}

bool LinuxShell::startProgram(const std::filesystem::path& program,
                              const std::vector<std::string>& arguments,
                              const std::filesystem::path& folder) {
  std::vector<std::string> words = {folder.string(), program.string()};
  words.insert(words.end(), arguments.begin(), arguments.end());
  return runDetached(
      "cd -- \"$1\" 2>/dev/null || exit 1; shift; command -v -- \"$1\" >/dev/null || exit 1; "
      "\"$@\" </dev/null >/dev/null 2>&1 &",
      words);
}

std::optional<int> LinuxShell::runProgram(const std::filesystem::path& program,
                                          const std::vector<std::string>& arguments,
                                          const std::filesystem::path& folder) {
  std::vector<std::string> words = {program.string()};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (auto& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  // glibc's posix_spawn reports a folder or program it could not use as its own failure, so a
  // program that ran and failed is never mistaken for one that did not start.
  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return std::nullopt;
  const bool prepared =
      posix_spawn_file_actions_addchdir_np(&actions, folder.c_str()) == 0 &&
      posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0) == 0 &&
      posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0) == 0 &&
      posix_spawn_file_actions_adddup2(&actions, 1, 2) == 0;
  pid_t pid = 0;
  const bool started =
      prepared && posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  if (!started) return std::nullopt;
  return exitCodeOf(pid);
}

std::filesystem::path LinuxShell::executablePath() {
  std::error_code ec;
  auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : path;
}

std::filesystem::path LinuxShell::programHome() {
  if (const char* home = std::getenv("VESTREL_HOME"); home && *home) return home;
  return executablePath().parent_path();
}

}  // namespace vestrel::platform

namespace vestrel::platform {

std::vector<std::filesystem::path> LinuxShell::dataFolders() {
  std::vector<std::filesystem::path> folders = {
      programHome(), UserBaseFolder("XDG_DATA_HOME", ".local/share") / kProgramFolder};
  std::string shared = Environment("XDG_DATA_DIRS");
  if (shared.empty()) shared = "/usr/local/share:/usr/share";
  std::size_t start = 0;
  while (start <= shared.size()) {
    const std::size_t end = std::min(shared.find(':', start), shared.size());
    const std::filesystem::path folder = shared.substr(start, end - start);
    if (folder.is_absolute()) folders.push_back(folder / kProgramFolder);
    start = end + 1;
  }
  return folders;
}

std::filesystem::path LinuxShell::stateFolder() {
  const std::filesystem::path home = programHome();
  if (::access(home.c_str(), W_OK) == 0) return home;
  const std::filesystem::path state =
      UserBaseFolder("XDG_STATE_HOME", ".local/state") / kProgramFolder;
  std::error_code error;
  std::filesystem::create_directories(state, error);
  return state;
}

}  // namespace vestrel::platform
