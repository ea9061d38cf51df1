// The host of a Windows build.
#include <iostream>

#include "platform/HostParts.h"
#include "platform/virtual/VirtualHost.h"
#include "platform/win32/Win32Bus.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32Shell.h"

namespace vestrel::platform {

namespace {

DeviceSide RealPhoneSide() {
  std::vector<std::string> problems;
  PhoneTable table = LoadPhoneTable(problems);
  for (const auto& problem : problems) std::cerr << "vestrel: phone table: " << problem << '\n';
  return {std::make_unique<SteadyClock>(),
          std::make_unique<Win32Bus>(std::move(table)),
          "Windows device setup",
          {}};
}

}  // namespace

std::unique_ptr<Host> OpenHost(const HostOptions& options) {
  DesktopSide desktop{std::make_unique<Win32Shell>(), std::make_unique<Win32Registry>()};
  DeviceSide device =
      options.virtualPhone ? virtualphone::VirtualPhoneSide(options.phoneFolder) : RealPhoneSide();
  return AssembleHost(std::move(device), std::move(desktop), options);
}

}  // namespace vestrel::platform
