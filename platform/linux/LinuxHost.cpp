// The host of a Linux build.
#include <cstdlib>

#include "platform/NullBus.h"
#include "platform/linux/LinuxShell.h"
#include "platform/linux/XdgAutostartRegistry.h"
#include "platform/virtual/VirtualHost.h"

namespace vestrel::platform {

std::unique_ptr<Host> OpenHost(const HostOptions& options) {
  DesktopSide desktop{std::make_unique<LinuxShell>(),
                      std::make_unique<XdgAutostartRegistry>(autostartFoldersFrom(std::getenv))};
  DeviceSide device = options.virtualPhone
                          ? virtualphone::VirtualPhoneSide(options.phoneFolder)
                          : DeviceSide{std::make_unique<SteadyClock>(), std::make_unique<NullBus>(),
                                       Host::kNoDeviceBackend, {}};
  return AssembleHost(std::move(device), std::move(desktop), options);
}

}  // namespace vestrel::platform
