#pragma once

#include <filesystem>
#include <functional>

#include "platform/Registry.h"

namespace vestrel::platform {

// Where the run keys of the two roots live as autostart folders.
struct AutostartFolders {
  std::filesystem::path currentUser;
  std::filesystem::path localMachine;
};

// $XDG_CONFIG_HOME/autostart (default ~/.config/autostart) and the first folder of
// $XDG_CONFIG_DIRS (default /etc/xdg) followed by autostart. `getenv` is the lookup to use.
AutostartFolders autostartFoldersFrom(const std::function<const char*(const char*)>& getenv);

// The run keys as XDG autostart desktop entries: a value is one "<name>.desktop" file whose
// command is the value's data. Only the "Run" key exists; "RunOnce" and the service keys have
// no counterpart on this desktop and open as missing keys. The run key always opens, and its
// folder is created by the first write, as a fresh account may have none yet.
class XdgAutostartRegistry final : public Registry {
 public:
  explicit XdgAutostartRegistry(AutostartFolders folders) : folders_(std::move(folders)) {}
  std::unique_ptr<RegistryKey> openKey(RegistryRoot root, const std::string& path) override;

 private:
  AutostartFolders folders_;
};

}  // namespace vestrel::platform
