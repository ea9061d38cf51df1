#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/TransferDriverHandle.h"

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
class UsbDriverHandle final : public TransferDriverHandle {
 public:
  // Takes over `fd` (the opened usbfs node) and `handle` (libusb's wrapping of it) with the
  // interface already claimed; the context must outlive this handle.
  UsbDriverHandle(libusb_context* context, int fd, libusb_device_handle* handle,
                  std::uint8_t interfaceNumber, std::optional<std::uint8_t> bulkOut,
                  std::optional<std::uint8_t> bulkIn);
  ~UsbDriverHandle() override;

  void cancelIo() override {}
  OsError close() override;

 private:
  bool isOpen() const override { return handle_ != nullptr; }
  IoOutcome closedOutcome() const override;
  IoOutcome refusedOutcome() const override;
  IoOutcome control(std::span<const std::uint8_t> input, std::span<std::uint8_t> output,
                    std::uint32_t waitMs) override;
  IoOutcome bulkWrite(std::span<const std::uint8_t> input, std::uint32_t waitMs) override;
  IoOutcome bulkRead(std::span<const std::uint8_t> input, std::span<std::uint8_t> output,
                     std::uint32_t waitMs) override;

  libusb_context* context_;
  int fd_;
  libusb_device_handle* handle_;
  std::uint8_t interfaceNumber_;
  std::optional<std::uint8_t> bulkOut_;
  std::optional<std::uint8_t> bulkIn_;
};

}  // namespace vestrel::platform
