#pragma once

// A device bus that hands every call to another, so a test overrides only the calls it counts
// or refuses. It gives no notice watch of its own.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DeviceBus.h"

namespace vestrel::testing {

class ForwardingBus : public platform::DeviceBus {
 public:
  explicit ForwardingBus(platform::DeviceBus& inner) : inner_(inner) {}

  std::optional<std::vector<platform::DeviceInterfaceRecord>> presentInterfaces(
      std::string_view interfaceClass) override {
    return inner_.presentInterfaces(interfaceClass);
  }
  std::unique_ptr<platform::NoticeSubscription> subscribe(std::string_view interfaceClass,
                                                          std::function<void()> notice) override {
    return inner_.subscribe(interfaceClass, std::move(notice));
  }
  void deliverNotices() override { inner_.deliverNotices(); }
  platform::Opened<platform::DriverHandle> openDriver(const std::string& devicePath) override {
    return inner_.openDriver(devicePath);
  }
  platform::Opened<platform::SerialPort> openSerial(const std::string& devicePath) override {
    return inner_.openSerial(devicePath);
  }

 private:
  platform::DeviceBus& inner_;
};

}  // namespace vestrel::testing
