// The host of a Linux build: real phones through udev, libusb and termios unless the virtual
// phone is asked for.
#include <cstdlib>
#include <iostream>

#include "platform/NullBus.h"
#include "platform/linux/LinuxBus.h"
#include "platform/linux/LinuxShell.h"
#include "platform/linux/SystemReport.h"
#include "platform/linux/XdgAutostartRegistry.h"
#include "platform/virtual/VirtualHost.h"

namespace vestrel::platform {

namespace {

DeviceSide RealPhoneSide() {
  std::vector<std::string> problems;
  PhoneTable table = LoadPhoneTable(problems);
  for (const auto& problem : problems) std::cerr << "vestrel: phone table: " << problem << '\n';
  OsError error;
  auto report = [reported = table] { return UsbSystemReport(reported); };
  auto bus = LinuxBus::Open(std::move(table), error);
  if (!bus) {
    std::cerr << "vestrel: udev cannot be reached: " << error.describe() << '\n';
    return {std::make_unique<SteadyClock>(),
            std::make_unique<NullBus>(),
            Host::kNoDeviceBackend,
            {},
            std::move(report)};
  }
  return {
      std::make_unique<SteadyClock>(), std::move(bus), "USB (udev, libusb)", {}, std::move(report)};
}

}  // namespace

std::unique_ptr<Host> OpenHost(const HostOptions& options) {
  DesktopSide desktop{std::make_unique<LinuxShell>(),
                      std::make_unique<XdgAutostartRegistry>(autostartFoldersFrom(std::getenv))};
  DeviceSide device =
      options.virtualPhone ? virtualphone::VirtualPhoneSide(options.phoneFolder) : RealPhoneSide();
  return AssembleHost(std::move(device), std::move(desktop), options);
}

}  // namespace vestrel::platform
