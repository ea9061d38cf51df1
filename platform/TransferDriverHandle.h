#pragma once

#include <cstdint>
#include <span>

#include "platform/DriverHandle.h"

namespace vestrel::platform {

// A driver handle that plays the phone driver's three control codes itself, on USB transfers
// (libusb on Linux, WinUSB on Windows): ioControl sends each code to its transfer, and each
// backend only does the transfers and says, in its own host's errors, what a closed handle
// and a request it cannot take give. The transfers keep ioControl's contract: they block at
// most their wait and leave nothing pending unless the backend's cancelIo says otherwise.
class TransferDriverHandle : public DriverHandle {
 public:
  IoOutcome ioControl(std::uint32_t code, std::span<const std::uint8_t> input,
                      std::span<std::uint8_t> output, std::uint32_t waitMs) final {
    if (!isOpen()) return closedOutcome();
    switch (code) {
      case IOCTL_P2K_CONTROL:
        return control(input, output, waitMs);
      case IOCTL_P2K_WRITE:
        return bulkWrite(input, waitMs);
      case IOCTL_P2K_READ:
        return bulkRead(input, output, waitMs);
      default:
        return refusedOutcome();
    }
  }

 protected:
  virtual bool isOpen() const = 0;
  // A request on a closed handle: failed as a device that is gone.
  virtual IoOutcome closedOutcome() const = 0;
  // A code or a buffer the driver does not take: failed as a refused request.
  virtual IoOutcome refusedOutcome() const = 0;
  virtual IoOutcome control(std::span<const std::uint8_t> input, std::span<std::uint8_t> output,
                            std::uint32_t waitMs) = 0;
  virtual IoOutcome bulkWrite(std::span<const std::uint8_t> input, std::uint32_t waitMs) = 0;
  virtual IoOutcome bulkRead(std::span<const std::uint8_t> input, std::span<std::uint8_t> output,
                             std::uint32_t waitMs) = 0;
};

}  // namespace vestrel::platform
