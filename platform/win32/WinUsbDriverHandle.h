#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/DeviceBus.h"
#include "platform/TransferDriverHandle.h"
#include "platform/win32/Win32Handle.h"
#include "platform/win32/WinUsbApi.h"

namespace vestrel::platform {

// The phone driver's three control codes played on WinUSB, for a P2K or flash interface bound
// to winusb.sys. IOCTL_P2K_CONTROL becomes a control transfer on the default pipe, the block
// write and read become transfers on the interface's bulk pipes. Every request waits at most
// its wait, as the pipe's transfer time-out (WinUSB takes 0 for "forever", so 0 asks for 1 ms);
// WinUSB cancels a transfer whose time-out ran out before the call returns, so nothing is left
// pending, and cancelIo only aborts the bulk pipes to be sure. A bulk pipe that stalled is
// reset, so one stall costs only its own request. Calls block on the calling thread.
class WinUsbDriverHandle final : public TransferDriverHandle {
 public:
  // Opens the interface's device path overlapped (as WinUSB wants) and initialises WinUSB on
  // it through `api`, which must outlive the handle; the reason when either step fails.
  static Opened<DriverHandle> Open(const std::string& devicePath, const WinUsbApi& api);

  struct Pipes {
    std::optional<UCHAR> bulkOut;
    std::optional<UCHAR> bulkIn;
    ULONG inPacketSize = 512;
  };
  // Takes over the open file and WinUSB's interface handle on it.
  WinUsbDriverHandle(const WinUsbApi& api, HANDLE file, WINUSB_INTERFACE_HANDLE usb, Pipes pipes);
  ~WinUsbDriverHandle() override;
  WinUsbDriverHandle(const WinUsbDriverHandle&) = delete;
  WinUsbDriverHandle& operator=(const WinUsbDriverHandle&) = delete;

  void cancelIo() override;
  OsError close() override;

 private:
  bool isOpen() const override { return usb_ != nullptr; }
  IoOutcome closedOutcome() const override;
  IoOutcome refusedOutcome() const override;
  IoOutcome control(std::span<const std::uint8_t> input, std::span<std::uint8_t> output,
                    std::uint32_t waitMs) override;
  IoOutcome bulkWrite(std::span<const std::uint8_t> input, std::uint32_t waitMs) override;
  IoOutcome bulkRead(std::span<const std::uint8_t> input, std::span<std::uint8_t> output,
                     std::uint32_t waitMs) override;
  // The transfer on `pipe` failed (GetLastError still holds why): the outcome that says so;
  // a bulk pipe is reset when the device refused the transfer.
  IoOutcome failedOn(UCHAR pipe);
  bool setWait(UCHAR pipe, std::uint32_t waitMs);

  const WinUsbApi& api_;
  Win32Handle file_;
  WINUSB_INTERFACE_HANDLE usb_;
  Pipes pipes_;
};

// The bulk pipes of the interface's first setting, as WinUSB lists them; nullopt and the
// reason in GetLastError when WinUSB cannot say.
std::optional<WinUsbDriverHandle::Pipes> QueryBulkPipes(const WinUsbApi& api,
                                                        WINUSB_INTERFACE_HANDLE usb);

}  // namespace vestrel::platform
