#include "platform/linux/UsbDriverHandle.h"

#include <libusb.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "platform/linux/LinuxErrors.h"
#include "platform/linux/UsbTransfer.h"

namespace vestrel::platform {

namespace {

constexpr std::size_t kSetupSize = 8;
constexpr std::size_t kDriverBytes = 4;   // the driver's own bytes before the data it returns
constexpr std::size_t kBlockHeader = 5;   // type byte and 32-bit length, low byte first
constexpr std::size_t kBulkPacket = 512;  // reads are whole packets so a long one cannot overflow
// The most data one control transfer carries through usbfs (libusb refuses more at submit).
constexpr std::size_t kControlStageMax = 4096;

std::uint32_t le32(std::span<const std::uint8_t> b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
         (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

// A request the driver turns down before it reaches the device (bad layout, unknown code).
IoOutcome refused() { return {false, Wait::Signalled, false, 0, OsError::FromErrno(EINVAL)}; }
IoOutcome closedHandle() { return {false, Wait::Failed, false, 0, OsError::FromErrno(EBADF)}; }

IoOutcome outcomeOf(const TransferResult& result, std::uint32_t bytes) {
  const OsError error = LibusbError(result.libusbError);
  switch (result.end) {
    case TransferEnd::Completed:
      return {true, Wait::Signalled, true, bytes, {}};
    case TransferEnd::Failed:
      return {false, Wait::Signalled, false, 0, error};
    case TransferEnd::TimedOut:
      return {false, Wait::Timeout, false, bytes, error};
    case TransferEnd::Gone:
      break;
  }
  return {false, Wait::Failed, false, 0, error};
}

// Puts the driver's zero bytes and `data` into `output`; returns the count delivered.
std::uint32_t deliver(std::span<std::uint8_t> output, std::span<const std::uint8_t> data) {
  const std::size_t head = std::min(kDriverBytes, output.size());
  std::fill_n(output.begin(), head, std::uint8_t{0});
  const std::size_t n = std::min(output.size() - head, data.size());
  std::copy_n(data.begin(), n, output.begin() + static_cast<std::ptrdiff_t>(head));
  return static_cast<std::uint32_t>(head + n);
}

// A bulk endpoint that stalled stays halted until the host clears it; cleared here, one stall
// costs the one request, not every later one. The request's own error is what is reported.
TransferResult clearedAfterStall(libusb_device_handle* handle, std::uint8_t endpoint,
                                 TransferResult result) {
  if (result.end == TransferEnd::Failed && result.libusbError == LIBUSB_ERROR_PIPE) {
    libusb_clear_halt(handle, endpoint);
  }
  return result;
}

}  // namespace

UsbDriverHandle::UsbDriverHandle(libusb_context* context, int fd, libusb_device_handle* handle,
                                 std::uint8_t interfaceNumber, std::optional<std::uint8_t> bulkOut,
                                 std::optional<std::uint8_t> bulkIn)
    : context_(context),
      fd_(fd),
      handle_(handle),
      interfaceNumber_(interfaceNumber),
      bulkOut_(bulkOut),
      bulkIn_(bulkIn) {}

UsbDriverHandle::~UsbDriverHandle() { close(); }

OsError UsbDriverHandle::close() {
  if (!handle_) return OsError::FromErrno(EBADF);
  // Releasing gives the interface back to the kernel driver detached when it was claimed.
  libusb_release_interface(handle_, interfaceNumber_);
  libusb_close(handle_);
  handle_ = nullptr;
  return ::close(fd_) == 0 ? OsError() : OsError::FromErrno(errno);
}

IoOutcome UsbDriverHandle::closedOutcome() const { return closedHandle(); }

IoOutcome UsbDriverHandle::refusedOutcome() const { return refused(); }

IoOutcome UsbDriverHandle::control(std::span<const std::uint8_t> input,
                                   std::span<std::uint8_t> output, std::uint32_t waitMs) {
  if (input.size() < kSetupSize) return refused();
  const bool toHost = (input[0] & LIBUSB_ENDPOINT_IN) != 0;
  std::size_t length = input[6] | (input[7] << 8);
  // Host to device sends exactly wLength data bytes; there must be that many.
  if (!toHost && input.size() < kSetupSize + length) return refused();
  // A data stage cannot be split over transfers: each read of the phone takes a reply away.
  // So a read asks for what one transfer carries; a longer reply arrives cut and its own
  // length says so, instead of staying at the phone and failing every later read the same way.
  if (toHost) length = std::min(length, kControlStageMax);
  std::vector<std::uint8_t> buffer(kSetupSize + length, 0);
  std::copy_n(input.begin(), toHost ? kSetupSize : kSetupSize + length, buffer.begin());
  buffer[6] = static_cast<std::uint8_t>(length);
  buffer[7] = static_cast<std::uint8_t>(length >> 8);
  const TransferResult result = RunControlTransfer(context_, handle_, buffer, waitMs);
  if (!toHost || result.end != TransferEnd::Completed) return outcomeOf(result, 0);
  const auto stage = std::span<const std::uint8_t>(buffer).subspan(
      kSetupSize, std::min<std::size_t>(result.actual, length));
  return outcomeOf(result, deliver(output, stage));
}

IoOutcome UsbDriverHandle::bulkWrite(std::span<const std::uint8_t> input, std::uint32_t waitMs) {
  if (!bulkOut_ || input.size() < kBlockHeader) return refused();
  const std::uint32_t n = le32(input, 1);
  if (n > input.size() - kBlockHeader) return refused();
  std::vector<std::uint8_t> data(input.begin() + kBlockHeader,
                                 input.begin() + kBlockHeader + static_cast<std::ptrdiff_t>(n));
  return outcomeOf(clearedAfterStall(handle_, *bulkOut_,
                                     RunBulkTransfer(context_, handle_, *bulkOut_, data, waitMs)),
                   0);
}

IoOutcome UsbDriverHandle::bulkRead(std::span<const std::uint8_t> input,
                                    std::span<std::uint8_t> output, std::uint32_t waitMs) {
  if (!bulkIn_ || input.size() < kBlockHeader) return refused();
  const std::size_t room = output.size() > kDriverBytes ? output.size() - kDriverBytes : 0;
  const std::size_t wanted = std::min<std::size_t>(le32(input, 1), room);
  std::vector<std::uint8_t> data((wanted + kBulkPacket - 1) / kBulkPacket * kBulkPacket);
  const TransferResult result = clearedAfterStall(
      handle_, *bulkIn_, RunBulkTransfer(context_, handle_, *bulkIn_, data, waitMs));
  // A read the wait ended keeps what came: a reply of whole packets ends no transfer.
  const bool arrived = result.end == TransferEnd::Completed ||
                       (result.end == TransferEnd::TimedOut && result.actual > 0);
  if (!arrived) return outcomeOf(result, 0);
  const auto got = std::span<const std::uint8_t>(data).first(
      std::min<std::size_t>({result.actual, wanted, data.size()}));
  return outcomeOf(result, deliver(output, got));
}

}  // namespace vestrel::platform
