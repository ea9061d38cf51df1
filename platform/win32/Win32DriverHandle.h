#pragma once

#include <string>

#include "platform/DeviceBus.h"
#include "platform/DriverHandle.h"
#include "platform/win32/Win32Handle.h"

namespace vestrel::platform {

// One handle of the phone's USB driver, opened overlapped. Each request gets its own
// manual-reset event and waits on it; a request the wait gave up on is cancelled and its end
// awaited before the call returns, since its buffers and event belong to the call. Blocks for
// at most the wait and the cancellation; cancelIo then has nothing left to cancel.
class Win32DriverHandle final : public DriverHandle {
 public:
  static Opened<DriverHandle> Open(const std::string& devicePath);
  explicit Win32DriverHandle(HANDLE handle) : handle_(handle) {}

  IoOutcome ioControl(std::uint32_t code, std::span<const std::uint8_t> input,
                      std::span<std::uint8_t> output, std::uint32_t waitMs) override;
  void cancelIo() override;
  OsError close() override;

 private:
  Win32Handle handle_;
};

}  // namespace vestrel::platform
