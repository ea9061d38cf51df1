#pragma once

#include <string>

#include "platform/DeviceBus.h"
#include "platform/SerialPort.h"
#include "platform/win32/Win32Handle.h"

namespace vestrel::platform {

// The modem port of a phone in AT mode (the vendor's modem driver, or usbser.sys on current
// Windows), opened overlapped. Only the time-outs are ever written; a write waits for its own
// completion, which the port's write time-out bounds.
class Win32SerialPort final : public SerialPort {
 public:
  static Opened<SerialPort> Open(const std::string& devicePath);
  explicit Win32SerialPort(HANDLE handle) : handle_(handle) {}

  OsResult<std::uint32_t> commStateBaudRate() override;
  OsResult<CommTimeouts> getTimeouts() override;
  OsError setTimeouts(const CommTimeouts& timeouts) override;
  WriteOutcome write(std::span<const std::uint8_t> data) override;
  OsError close() override;

 private:
  Win32Handle handle_;
};

}  // namespace vestrel::platform
