#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/DriverHandle.h"

struct libusb_context;
struct libusb_device_handle;

namespace vestrel::platform {

// The phone driver's three control codes played on libusb, for one claimed interface of a
// phone opened through its usbfs node. IOCTL_P2K_CONTROL becomes a control transfer, the block
// write and read become bulk transfers on the interface's bulk endpoints. Every request waits
// at most its wait (0 ms is one look, never "forever") and is cancelled when the wait runs out,
// so nothing is left pending when ioControl returns; cancelIo has nothing to do. A block read
// cut short by its wait returns the bytes that came. A control read asks for at most the 4096
// bytes usbfs carries in one transfer. Runs libusb's events on the calling thread only.
class UsbDriverHandle final : public DriverHandle {
 public:
  // Takes over `fd` (the opened usbfs node) and `handle` (libusb's wrapping of it) with the
  // interface already claimed; the context must outlive this handle.
  UsbDriverHandle(libusb_context* context, int fd, libusb_device_handle* handle,
                  std::uint8_t interfaceNumber, std::optional<std::uint8_t> bulkOut,
                  std::optional<std::uint8_t> bulkIn);
  ~UsbDriverHandle() override;

  IoOutcome ioControl(std::uint32_t code, std::span<const std::uint8_t> input,
                      std::span<std::uint8_t> output, std::uint32_t waitMs) override;
  void cancelIo() override {}
  OsError close() override;

 private:
  IoOutcome control(std::span<const std::uint8_t> input, std::span<std::uint8_t> output,
                    std::uint32_t waitMs);
  IoOutcome bulkWrite(std::span<const std::uint8_t> input, std::uint32_t waitMs);
  IoOutcome bulkRead(std::span<const std::uint8_t> input, std::span<std::uint8_t> output,
                     std::uint32_t waitMs);

  libusb_context* context_;
  int fd_;
  libusb_device_handle* handle_;
  std::uint8_t interfaceNumber_;
  std::optional<std::uint8_t> bulkOut_;
  std::optional<std::uint8_t> bulkIn_;
};

}  // namespace vestrel::platform
