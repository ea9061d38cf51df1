#pragma once

// A device bus whose answers a test writes itself: the present records per class, whether the
// class's device set can be obtained at all, and the driver handle an open gets.

#include <cerrno>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/DeviceBus.h"

namespace vestrel::testing {

// A driver handle that hands every request to a function.
class ScriptedDriverHandle final : public platform::DriverHandle {
 public:
  using Script =
      std::function<platform::IoOutcome(std::uint32_t code, std::span<const std::uint8_t> input,
                                        std::span<std::uint8_t> output, std::uint32_t waitMs)>;
  explicit ScriptedDriverHandle(Script script) : script_(std::move(script)) {}

  platform::IoOutcome ioControl(std::uint32_t code, std::span<const std::uint8_t> input,
                                std::span<std::uint8_t> output, std::uint32_t waitMs) override {
    return script_(code, input, output, waitMs);
  }
  void cancelIo() override { ++cancels; }
  platform::OsError close() override { return {}; }

  int cancels = 0;

 private:
  Script script_;
};

class ScriptedBus final : public platform::DeviceBus {
 public:
  std::map<std::string, std::vector<platform::DeviceInterfaceRecord>, std::less<>> present;
  bool deviceSetAvailable = true;
  ScriptedDriverHandle::Script driverScript;
  ScriptedDriverHandle* lastHandle = nullptr;

  std::optional<std::vector<platform::DeviceInterfaceRecord>> presentInterfaces(
      std::string_view interfaceClass) override {
    if (!deviceSetAvailable) return std::nullopt;
    auto it = present.find(interfaceClass);
    if (it == present.end()) return std::vector<platform::DeviceInterfaceRecord>{};
    return it->second;
  }
  std::unique_ptr<platform::NoticeSubscription> subscribe(std::string_view,
                                                          std::function<void()>) override {
    return std::make_unique<platform::NoticeSubscription>();
  }
  void deliverNotices() override {}
  platform::Opened<platform::DriverHandle> openDriver(const std::string&) override {
    if (!driverScript) return {nullptr, platform::OsError::FromErrno(ENOENT)};
    auto handle = std::make_unique<ScriptedDriverHandle>(driverScript);
    lastHandle = handle.get();
    return {std::move(handle), {}};
  }
  platform::Opened<platform::SerialPort> openSerial(const std::string&) override {
    return {nullptr, platform::OsError::FromErrno(ENOENT)};
  }
};

// A record as the setup functions give it: zero-ended text properties.
inline platform::DeviceInterfaceRecord MakeRecord(std::uint32_t instance, std::string path,
                                                  std::string description,
                                                  std::string compatibleIds) {
  auto text = [](const std::string& s) {
    platform::PropertyBytes bytes(s.begin(), s.end());
    bytes.push_back(0);
    return bytes;
  };
  platform::DeviceInterfaceRecord record;
  record.deviceInstance = instance;
  record.devicePath = std::move(path);
  record.properties[0x00] = text(description);
  record.properties[0x02] = text(compatibleIds);
  return record;
}

}  // namespace vestrel::testing
