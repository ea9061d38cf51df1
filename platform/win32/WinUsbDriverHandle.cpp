#include "platform/win32/WinUsbDriverHandle.h"

#include <algorithm>
#include <vector>

#include "platform/win32/Win32Error.h"

namespace vestrel::platform {

namespace {

constexpr std::size_t kSetupSize = 8;
constexpr std::size_t kDriverBytes = 4;  // the vendor driver's own bytes before the data
constexpr std::size_t kBlockHeader = 5;  // type byte and 32-bit length, low byte first
constexpr UCHAR kControlPipe = 0;

std::uint32_t LowFirst32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) |
         (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

IoOutcome Outcome(bool done, Wait wait, std::uint32_t bytes, OsError error) {
  IoOutcome outcome;
  outcome.callOk = done;
  outcome.resultOk = done;
  outcome.wait = wait;
  outcome.bytesReturned = bytes;
  outcome.error = std::move(error);
  return outcome;
}

// A request the vendor driver would turn down before it reached the device.
IoOutcome Refused() {
  return Outcome(false, Wait::Signalled, 0, Win32Error(ERROR_INVALID_PARAMETER));
}

// Puts the vendor driver's four zero bytes and `data` into `output`; the count delivered.
std::uint32_t WithDriverBytes(std::span<std::uint8_t> output, std::span<const std::uint8_t> data) {
  const std::size_t head = std::min(kDriverBytes, output.size());
  std::fill_n(output.begin(), head, std::uint8_t{0});
  const std::size_t n = std::min(output.size() - head, data.size());
  std::copy_n(data.begin(), n, output.begin() + static_cast<std::ptrdiff_t>(head));
  return static_cast<std::uint32_t>(head + n);
}

}  // namespace

std::optional<WinUsbDriverHandle::Pipes> QueryBulkPipes(const WinUsbApi& api,
                                                        WINUSB_INTERFACE_HANDLE usb) {
  USB_INTERFACE_DESCRIPTOR setting{};
  if (!api.queryInterfaceSettings(usb, 0, &setting)) return std::nullopt;
  WinUsbDriverHandle::Pipes pipes;
  for (UCHAR index = 0; index < setting.bNumEndpoints; ++index) {
    WINUSB_PIPE_INFORMATION pipe{};
    if (!api.queryPipe(usb, 0, index, &pipe)) return std::nullopt;
    if (pipe.PipeType != UsbdPipeTypeBulk) continue;
    if (USB_ENDPOINT_DIRECTION_IN(pipe.PipeId)) {
      if (pipes.bulkIn) continue;
      pipes.bulkIn = pipe.PipeId;
      if (pipe.MaximumPacketSize) pipes.inPacketSize = pipe.MaximumPacketSize;
    } else if (!pipes.bulkOut) {
      pipes.bulkOut = pipe.PipeId;
    }
  }
  return pipes;
}

Opened<DriverHandle> WinUsbDriverHandle::Open(const std::string& devicePath, const WinUsbApi& api) {
  OsError error;
  Win32Handle file(OpenDevice(devicePath, FILE_FLAG_OVERLAPPED, error));
  if (!file.isOpen()) return {nullptr, std::move(error)};
  WINUSB_INTERFACE_HANDLE usb = nullptr;
  if (!api.initialize(file.get(), &usb)) return {nullptr, LastWin32Error()};
  const auto pipes = QueryBulkPipes(api, usb);
  if (!pipes) {
    error = LastWin32Error();
    api.free(usb);
    return {nullptr, std::move(error)};
  }
  const HANDLE handle = file.get();
  file.release();
  return {std::make_unique<WinUsbDriverHandle>(api, handle, usb, *pipes), {}};
}

WinUsbDriverHandle::WinUsbDriverHandle(const WinUsbApi& api, HANDLE file,
                                       WINUSB_INTERFACE_HANDLE usb, Pipes pipes)
    : api_(api), file_(file), usb_(usb), pipes_(pipes) {}

WinUsbDriverHandle::~WinUsbDriverHandle() {
  if (usb_) api_.free(usb_);
}

OsError WinUsbDriverHandle::close() {
  if (!usb_) return Win32Error(ERROR_INVALID_HANDLE);
  api_.free(usb_);
  usb_ = nullptr;
  return file_.close();
}

void WinUsbDriverHandle::cancelIo() {
  if (!usb_) return;
  if (pipes_.bulkOut) api_.abortPipe(usb_, *pipes_.bulkOut);
  if (pipes_.bulkIn) api_.abortPipe(usb_, *pipes_.bulkIn);
}

IoOutcome WinUsbDriverHandle::closedOutcome() const {
  return Outcome(false, Wait::Failed, 0, Win32Error(ERROR_INVALID_HANDLE));
}

IoOutcome WinUsbDriverHandle::refusedOutcome() const { return Refused(); }

bool WinUsbDriverHandle::setWait(UCHAR pipe, std::uint32_t waitMs) {
  ULONG timeout = std::max<std::uint32_t>(waitMs, 1);
  return api_.setPipePolicy(usb_, pipe, PIPE_TRANSFER_TIMEOUT, sizeof(timeout), &timeout);
}

IoOutcome WinUsbDriverHandle::failedOn(UCHAR pipe) {
  const DWORD reason = GetLastError();
  if (reason == ERROR_SEM_TIMEOUT) return Outcome(false, Wait::Timeout, 0, Win32Error(reason));
  if (MeansDeviceGone(reason)) return Outcome(false, Wait::Failed, 0, Win32Error(reason));
  // A stalled bulk endpoint stays halted until the host clears it.
  if (pipe != kControlPipe) api_.resetPipe(usb_, pipe);
  return Outcome(false, Wait::Signalled, 0, Win32Error(reason));
}

IoOutcome WinUsbDriverHandle::control(std::span<const std::uint8_t> input,
                                      std::span<std::uint8_t> output, std::uint32_t waitMs) {
  if (input.size() < kSetupSize) return Refused();
  WINUSB_SETUP_PACKET setup{};
  setup.RequestType = input[0];
  setup.Request = input[1];
  setup.Value = static_cast<USHORT>(input[2] | (input[3] << 8));
  setup.Index = static_cast<USHORT>(input[4] | (input[5] << 8));
  setup.Length = static_cast<USHORT>(input[6] | (input[7] << 8));
  const bool toHost = (setup.RequestType & 0x80) != 0;
  // Host to device sends exactly wLength data bytes; there must be that many.
  if (!toHost && input.size() < kSetupSize + setup.Length) return Refused();
  std::vector<std::uint8_t> stage(setup.Length);
  if (!toHost) std::copy_n(input.begin() + kSetupSize, setup.Length, stage.begin());
  if (!setWait(kControlPipe, waitMs)) return failedOn(kControlPipe);
  ULONG moved = 0;
  if (!api_.controlTransfer(usb_, setup, stage.data(), setup.Length, &moved, nullptr)) {
    return failedOn(kControlPipe);
  }
  if (!toHost) return Outcome(true, Wait::Signalled, 0, {});
  const auto data =
      std::span<const std::uint8_t>(stage).first(std::min<ULONG>(moved, setup.Length));
  return Outcome(true, Wait::Signalled, WithDriverBytes(output, data), {});
}

IoOutcome WinUsbDriverHandle::bulkWrite(std::span<const std::uint8_t> input, std::uint32_t waitMs) {
  if (!pipes_.bulkOut || input.size() < kBlockHeader) return Refused();
  const std::uint32_t n = LowFirst32(input, 1);
  if (n > input.size() - kBlockHeader) return Refused();
  std::vector<std::uint8_t> data(input.begin() + kBlockHeader,
                                 input.begin() + kBlockHeader + static_cast<std::ptrdiff_t>(n));
  if (!setWait(*pipes_.bulkOut, waitMs)) return failedOn(*pipes_.bulkOut);
  ULONG moved = 0;
  if (!api_.writePipe(usb_, *pipes_.bulkOut, data.data(), n, &moved, nullptr)) {
    return failedOn(*pipes_.bulkOut);
  }
  return Outcome(true, Wait::Signalled, 0, {});
}

IoOutcome WinUsbDriverHandle::bulkRead(std::span<const std::uint8_t> input,
                                       std::span<std::uint8_t> output, std::uint32_t waitMs) {
  if (!pipes_.bulkIn || input.size() < kBlockHeader) return Refused();
  const std::size_t room = output.size() > kDriverBytes ? output.size() - kDriverBytes : 0;
  const std::size_t wanted = std::min<std::size_t>(LowFirst32(input, 1), room);
  // Whole packets, so a packet longer than the rest of the wanted size cannot overflow.
  const std::size_t packet = pipes_.inPacketSize;
  std::vector<std::uint8_t> data((wanted + packet - 1) / packet * packet);
  if (!setWait(*pipes_.bulkIn, waitMs)) return failedOn(*pipes_.bulkIn);
  ULONG moved = 0;
  if (!api_.readPipe(usb_, *pipes_.bulkIn, data.data(), static_cast<ULONG>(data.size()), &moved,
                     nullptr)) {
    return failedOn(*pipes_.bulkIn);
  }
  const auto got = std::span<const std::uint8_t>(data).first(
      std::min<std::size_t>({moved, wanted, data.size()}));
  return Outcome(true, Wait::Signalled, WithDriverBytes(output, got), {});
}

}  // namespace vestrel::platform
