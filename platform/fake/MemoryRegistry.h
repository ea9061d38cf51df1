#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>

#include "platform/Registry.h"

namespace vestrel::platform {

// A registry held in memory. Key paths and value names compare without regard to case, as
// in the Windows registry. Keys exist only once created; a root can be made read-only to
// stand for missing rights.
class MemoryRegistry final : public Registry {
 public:
  std::unique_ptr<RegistryKey> openKey(RegistryRoot root, const std::string& path) override;

  void createKey(RegistryRoot root, const std::string& path);
  void denyWrites(RegistryRoot root) { readOnlyRoots_.insert(root); }
  // The stored data of one value; nullopt when the key or the value is missing.
  std::optional<std::string> value(RegistryRoot root, const std::string& path,
                                   const std::string& name) const;
  // Creates the key when needed and stores the value, bypassing any denied rights.
  void setValue(RegistryRoot root, const std::string& path, const std::string& name,
                const std::string& data);

 private:
  friend class MemoryRegistryKey;
  using Values = std::map<std::string, std::string>;
  using KeyId = std::pair<RegistryRoot, std::string>;

  static KeyId keyId(RegistryRoot root, const std::string& path);

  std::map<KeyId, Values> keys_;
  std::set<RegistryRoot> readOnlyRoots_;
};

}  // namespace vestrel::platform
