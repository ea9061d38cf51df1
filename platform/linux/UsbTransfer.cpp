#include "platform/linux/UsbTransfer.h"

#include <libusb.h>

#include <chrono>

namespace vestrel::platform {

namespace {

using Steady = std::chrono::steady_clock;

// After a cancel the kernel gives the transfer back at once; this bounds the wait for it in
// case it does not, so a broken device cannot hang the caller.
constexpr auto kCancelGrace = std::chrono::milliseconds(2000);

void LIBUSB_CALL markDone(libusb_transfer* transfer) {
  *static_cast<int*>(transfer->user_data) = 1;
}

void handleEventsUntil(libusb_context* context, int& done, Steady::time_point deadline) {
  do {
    const auto left =
        std::chrono::duration_cast<std::chrono::microseconds>(deadline - Steady::now());
    const auto usec = std::max<std::int64_t>(left.count(), 0);
    timeval tv{static_cast<time_t>(usec / 1000000), static_cast<suseconds_t>(usec % 1000000)};
    const int r = libusb_handle_events_timeout_completed(context, &tv, &done);
    if (r < 0 && r != LIBUSB_ERROR_INTERRUPTED) return;
  } while (!done && Steady::now() < deadline);
}

TransferEnd endOf(libusb_transfer_status status) {
  switch (status) {
    case LIBUSB_TRANSFER_COMPLETED:
      return TransferEnd::Completed;
    case LIBUSB_TRANSFER_CANCELLED:
    case LIBUSB_TRANSFER_TIMED_OUT:
      return TransferEnd::TimedOut;
    case LIBUSB_TRANSFER_NO_DEVICE:
      return TransferEnd::Gone;
    default:
      return TransferEnd::Failed;
  }
}

int errorOf(libusb_transfer_status status) {
  switch (status) {
    case LIBUSB_TRANSFER_COMPLETED:
      return 0;
    case LIBUSB_TRANSFER_STALL:
      return LIBUSB_ERROR_PIPE;
    case LIBUSB_TRANSFER_NO_DEVICE:
      return LIBUSB_ERROR_NO_DEVICE;
    case LIBUSB_TRANSFER_OVERFLOW:
      return LIBUSB_ERROR_OVERFLOW;
    case LIBUSB_TRANSFER_CANCELLED:
    case LIBUSB_TRANSFER_TIMED_OUT:
      return LIBUSB_ERROR_TIMEOUT;
    default:
      return LIBUSB_ERROR_IO;
  }
}

TransferResult run(libusb_context* context, libusb_transfer* transfer, std::uint32_t waitMs) {
  int done = 0;
  transfer->user_data = &done;
  transfer->callback = markDone;
  transfer->timeout = 0;  // the deadline is kept here: libusb's 0 would mean "forever"
  if (const int r = libusb_submit_transfer(transfer); r < 0) {
    libusb_free_transfer(transfer);
    return {r == LIBUSB_ERROR_NO_DEVICE ? TransferEnd::Gone : TransferEnd::Failed, 0, r};
  }
  handleEventsUntil(context, done, Steady::now() + std::chrono::milliseconds(waitMs));
  if (!done) {
    libusb_cancel_transfer(transfer);
    handleEventsUntil(context, done, Steady::now() + kCancelGrace);
    if (!done) {
      // libusb still owns the transfer; freeing it now would let the kernel write into freed
      // memory, so it is left to libusb_exit.
      return {TransferEnd::Gone, 0, LIBUSB_ERROR_IO};
    }
  }
  TransferResult result{endOf(transfer->status),
                        static_cast<std::uint32_t>(std::max(transfer->actual_length, 0)),
                        errorOf(transfer->status)};
  libusb_free_transfer(transfer);
  return result;
}

}  // namespace

TransferResult RunControlTransfer(libusb_context* context, libusb_device_handle* handle,
                                  std::span<std::uint8_t> buffer, std::uint32_t waitMs) {
  libusb_transfer* transfer = libusb_alloc_transfer(0);
  if (!transfer) return {TransferEnd::Failed, 0, LIBUSB_ERROR_NO_MEM};
  libusb_fill_control_transfer(transfer, handle, buffer.data(), nullptr, nullptr, 0);
  return run(context, transfer, waitMs);
}

TransferResult RunBulkTransfer(libusb_context* context, libusb_device_handle* handle,
                               std::uint8_t endpoint, std::span<std::uint8_t> buffer,
                               std::uint32_t waitMs) {
  libusb_transfer* transfer = libusb_alloc_transfer(0);
  if (!transfer) return {TransferEnd::Failed, 0, LIBUSB_ERROR_NO_MEM};
  libusb_fill_bulk_transfer(transfer, handle, endpoint, buffer.data(),
                            static_cast<int>(buffer.size()), nullptr, nullptr, 0);
  return run(context, transfer, waitMs);
}

}  // namespace vestrel::platform
