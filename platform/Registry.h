#pragma once

#include <memory>
#include <optional>
#include <string>

namespace vestrel::platform {

// The two roots the run keys live under.
enum class RegistryRoot { CurrentUser, LocalMachine };

// One open registry key. Values are strings; names and data are UTF-8.
class RegistryKey {
 public:
  virtual ~RegistryKey() = default;
  // The string value `name`; nullopt when it is missing, of another type or unreadable.
  virtual std::optional<std::string> readString(const std::string& name) = 0;
  // Creates or replaces the string value; false when the system refused (rights, bad name).
  virtual bool writeString(const std::string& name, const std::string& data) = 0;
  // Removes the value; false when it was not there or could not be removed.
  virtual bool deleteValue(const std::string& name) = 0;
};

// The registry, or what stands for it on the host.
class Registry {
 public:
  virtual ~Registry() = default;
  // Opens `path` (backslash-separated, a leading backslash is allowed) under `root` without
  // creating it; null when the key does not exist or cannot be opened.
  virtual std::unique_ptr<RegistryKey> openKey(RegistryRoot root, const std::string& path) = 0;
};

}  // namespace vestrel::platform
