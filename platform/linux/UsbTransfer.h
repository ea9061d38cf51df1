#pragma once

#include <cstdint>
#include <span>
#include <vector>

struct libusb_context;
struct libusb_device_handle;

namespace vestrel::platform {

// How one libusb transfer ended.
enum class TransferEnd {
  Completed,  // done; `actual` bytes moved
  Failed,     // the device refused it (a stall, a protocol error)
  TimedOut,   // the wait ran out and the transfer was cancelled
  Gone,       // the device left the bus (or the transfer could not be submitted to it)
};

struct TransferResult {
  TransferEnd end = TransferEnd::Gone;
  // Data bytes moved (control: without the setup packet); after a time-out, those that moved
  // before the transfer was cancelled.
  std::uint32_t actual = 0;
  int libusbError = 0;  // libusb's code when it was not Completed
};

// Runs one transfer on `buffer` (for control transfers the setup packet and the data stage)
// and handles libusb's events on this thread until it ends or `waitMs` has passed; a transfer
// still running then is cancelled and its end awaited, so the buffer is free on return.
// A wait of 0 looks once.
TransferResult RunControlTransfer(libusb_context* context, libusb_device_handle* handle,
                                  std::span<std::uint8_t> buffer, std::uint32_t waitMs);
TransferResult RunBulkTransfer(libusb_context* context, libusb_device_handle* handle,
                               std::uint8_t endpoint, std::span<std::uint8_t> buffer,
                               std::uint32_t waitMs);

}  // namespace vestrel::platform
