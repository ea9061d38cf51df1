#include "platform/NullBus.h"

#include <cerrno>

namespace vestrel::platform {

std::optional<std::vector<DeviceInterfaceRecord>> NullBus::presentInterfaces(std::string_view) {
  return std::vector<DeviceInterfaceRecord>{};
}

std::unique_ptr<NoticeSubscription> NullBus::subscribe(std::string_view, std::function<void()>) {
  return std::make_unique<NoticeSubscription>();
}

Opened<DriverHandle> NullBus::openDriver(const std::string&) {
  return {nullptr, OsError::FromErrno(ENODEV)};
}

Opened<SerialPort> NullBus::openSerial(const std::string&) {
  return {nullptr, OsError::FromErrno(ENODEV)};
}

}  // namespace vestrel::platform
