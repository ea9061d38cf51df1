#pragma once

// A host over a bus the test chooses, with a virtual clock, shell and registry of its own.

#include <string>
#include <utility>

#include "platform/Host.h"
#include "platform/fake/MemoryRegistry.h"
#include "platform/fake/RecordingShell.h"
#include "platform/virtual/VirtualClock.h"

namespace vestrel::cli {

class TestHost final : public platform::Host {
 public:
  explicit TestHost(platform::DeviceBus& bus, std::string backend = "test bus")
      : bus_(bus), backend_(std::move(backend)) {}
  platform::DeviceBus& bus() override { return bus_; }
  platform::Clock& clock() override { return clock_; }
  platform::Shell& shell() override { return shell_; }
  platform::Registry& registry() override { return registry_; }
  std::string deviceBackend() const override { return backend_; }
  void save() override { ++saves; }
  int saves = 0;

 private:
  platform::DeviceBus& bus_;
  std::string backend_;
  virtualphone::VirtualClock clock_;
  platform::RecordingShell shell_;
  platform::MemoryRegistry registry_;
};

}  // namespace vestrel::cli
