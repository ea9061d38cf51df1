#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/Host.h"

namespace vestrel::platform {

// What a build's OpenHost puts together: the device side (bus and the clock its time-outs run
// on, from one backend) and the desktop side (shell, registry).
struct DeviceSide {
  std::unique_ptr<Clock> clock;
  std::unique_ptr<DeviceBus> bus;            // may refer to `clock`; destroyed first
  std::string backend;                       // Host::deviceBackend()
  std::function<void()> save;                // Host::save(); may be empty
  std::function<std::string()> report = {};  // Host::deviceReport(); may be empty
};

struct DesktopSide {
  std::unique_ptr<Shell> shell;
  std::unique_ptr<Registry> registry;
};

// A host from its two sides, with the wire trace laid over the bus when `options` or
// VESTREL_TRACE ask for one.
std::unique_ptr<Host> AssembleHost(DeviceSide device, DesktopSide desktop,
                                   const HostOptions& options);

}  // namespace vestrel::platform
