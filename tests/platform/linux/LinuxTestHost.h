#pragma once

// A host over a bus and clock the test made (the Linux bus on a umockdev testbed), with the
// desktop side faked, for running vestrel-cli's commands in the test's process.
#include <string>

#include "platform/Host.h"
#include "platform/fake/MemoryRegistry.h"
#include "platform/fake/RecordingShell.h"

namespace vestrel::testing {

class LinuxTestHost final : public platform::Host {
 public:
  LinuxTestHost(platform::DeviceBus& bus, platform::Clock& clock) : bus_(bus), clock_(clock) {}
  platform::DeviceBus& bus() override { return bus_; }
  platform::Clock& clock() override { return clock_; }
  platform::Shell& shell() override { return shell_; }
  platform::Registry& registry() override { return registry_; }
  std::string deviceBackend() const override { return "USB (udev, libusb)"; }

 private:
  platform::DeviceBus& bus_;
  platform::Clock& clock_;
  platform::RecordingShell shell_;
  platform::MemoryRegistry registry_;
};

}  // namespace vestrel::testing
