// The host of a Windows build.
#include "platform/NullBus.h"
#include "platform/virtual/VirtualHost.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32Shell.h"

namespace vestrel::platform {

std::unique_ptr<Host> OpenHost(const HostOptions& options) {
  DesktopSide desktop{std::make_unique<Win32Shell>(), std::make_unique<Win32Registry>()};
  DeviceSide device = options.virtualPhone
                          ? virtualphone::VirtualPhoneSide(options.phoneFolder)
                          : DeviceSide{std::make_unique<SteadyClock>(), std::make_unique<NullBus>(),
                                       Host::kNoDeviceBackend, {}};
  return AssembleHost(std::move(device), std::move(desktop), options);
}

}  // namespace vestrel::platform
