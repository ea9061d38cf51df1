#include "platform/linux/XdgAutostartRegistry.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/linux/DesktopEntry.h"

namespace vestrel::platform {
namespace fs = std::filesystem;
namespace {

constexpr std::string_view kRunKey = "software\\microsoft\\windows\\currentversion\\run";

bool isRunKey(std::string_view path) {
  while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
  while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  return std::equal(path.begin(), path.end(), kRunKey.begin(), kRunKey.end(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == b;
  });
}

// A value name becomes a file name, so it must name a file inside the folder.
bool isUsableName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string_view("/\0", 2)) == std::string::npos;
}

class AutostartKey final : public RegistryKey {
 public:
  explicit AutostartKey(fs::path folder) : folder_(std::move(folder)) {}

  std::optional<std::string> readString(const std::string& name) override {
    if (!isUsableName(name)) return std::nullopt;
    std::ifstream in(entryPath(name), std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return autostartEntryCommand(text.str());
  }

  // Written to a temporary file first, so a failed write never leaves half an entry.
  bool writeString(const std::string& name, const std::string& data) override {
    if (!isUsableName(name)) return false;
    std::error_code ec;
    fs::create_directories(folder_, ec);
    if (ec) return false;
    fs::path temporary = folder_ / ("." + name + ".desktop.new");
    {
      std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
      if (!out) return false;
      out << autostartEntryText(name, data);
      out.close();
      if (!out) {
        fs::remove(temporary, ec);
        return false;
      }
    }
    fs::rename(temporary, entryPath(name), ec);
    if (ec) fs::remove(temporary, ec);
    return !ec;
  }

  bool deleteValue(const std::string& name) override {
    if (!isUsableName(name)) return false;
    std::error_code ec;
    return fs::remove(entryPath(name), ec) && !ec;
  }

 private:
  fs::path entryPath(const std::string& name) const { return folder_ / (name + ".desktop"); }

  fs::path folder_;
};

}  // namespace

AutostartFolders autostartFoldersFrom(const std::function<const char*(const char*)>& getenv) {
  auto nonEmpty = [&](const char* variable) -> std::string {
    const char* value = getenv(variable);
    return value ? std::string(value) : std::string();
  };
  fs::path userConfig = nonEmpty("XDG_CONFIG_HOME");
  if (userConfig.empty() || userConfig.is_relative())
    userConfig = fs::path(nonEmpty("HOME")) / ".config";

  fs::path machineConfig = "/etc/xdg";
  std::istringstream dirs(nonEmpty("XDG_CONFIG_DIRS"));
  for (std::string dir; std::getline(dirs, dir, ':');) {
    if (!dir.empty() && fs::path(dir).is_absolute()) {
      machineConfig = dir;
      break;
    }
  }
  return {userConfig / "autostart", machineConfig / "autostart"};
}

std::unique_ptr<RegistryKey> XdgAutostartRegistry::openKey(RegistryRoot root,
                                                           const std::string& path) {
  if (!isRunKey(path)) return nullptr;
  return std::make_unique<AutostartKey>(root == RegistryRoot::CurrentUser ? folders_.currentUser
                                                                          : folders_.localMachine);
}

}  // namespace vestrel::platform
