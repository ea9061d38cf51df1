#pragma once

#include "platform/Registry.h"

namespace vestrel::platform {

// The Windows registry: HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE, string values as REG_SZ.
class Win32Registry final : public Registry {
 public:
  std::unique_ptr<RegistryKey> openKey(RegistryRoot root, const std::string& path) override;
};

}  // namespace vestrel::platform
