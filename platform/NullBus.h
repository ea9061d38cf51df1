#pragma once

#include "platform/DeviceBus.h"

namespace vestrel::platform {

// The bus of a host without a device backend: no device of any class is present, notices are
// accepted and never come, and every open fails with ENODEV.
class NullBus final : public DeviceBus {
 public:
  std::optional<std::vector<DeviceInterfaceRecord>> presentInterfaces(std::string_view) override;
  std::unique_ptr<NoticeSubscription> subscribe(std::string_view, std::function<void()>) override;
  void deliverNotices() override {}
  Opened<DriverHandle> openDriver(const std::string&) override;
  Opened<SerialPort> openSerial(const std::string&) override;
};

}  // namespace vestrel::platform
