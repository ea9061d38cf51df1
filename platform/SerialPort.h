#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "platform/OsError.h"

namespace vestrel::platform {

// The port's time-outs in milliseconds, as the serial driver keeps them.
struct CommTimeouts {
  std::uint32_t readInterval = 0;
  std::uint32_t readTotalMultiplier = 0;
  std::uint32_t readTotalConstant = 0;
  std::uint32_t writeTotalMultiplier = 0;
  std::uint32_t writeTotalConstant = 0;
  bool operator==(const CommTimeouts&) const = default;
};

// Result of one overlapped write: whether the write was accepted (done at once or pending)
// and the byte count its completion reported. The write is complete when write() returns.
struct WriteOutcome {
  bool accepted = false;
  std::uint32_t written = 0;
  OsError error;  // why it was not accepted
};

// The modem port of a phone in AT mode, opened for overlapped input and output. Every call
// blocks until the OS answers; a failure carries the OS's reason. A port whose device has gone
// (unplugged, hung up) fails every call.
class SerialPort {
 public:
  virtual ~SerialPort() = default;
  // The baud rate of the port's current settings; no value when they cannot be read.
  virtual OsResult<std::uint32_t> commStateBaudRate() = 0;
  virtual OsResult<CommTimeouts> getTimeouts() = 0;
  // Empty when the time-outs were set.
  virtual OsError setTimeouts(const CommTimeouts& timeouts) = 0;
  virtual WriteOutcome write(std::span<const std::uint8_t> data) = 0;
  // Closes the port; the reason when the system refused.
  virtual OsError close() = 0;
};

}  // namespace vestrel::platform
