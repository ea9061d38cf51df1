#pragma once

#include <string>

#include "platform/OsError.h"
#include "platform/SerialPort.h"

namespace vestrel::platform {

// The modem tty of a phone in AT mode (a cdc_acm /dev/ttyACM*), opened without becoming the
// controlling terminal, exclusive, and switched to raw mode with its speed kept, so the bytes
// written are the bytes on the wire (no CR added before LF, no echo back to the phone). The
// time-outs are kept by the port as a serial driver keeps them; a write waits at most the
// write-total constant. A hung-up tty reads no settings, so the AT item sees it closed.
class TermiosSerialPort final : public SerialPort {
 public:
  static Opened<SerialPort> Open(const std::string& node);
  ~TermiosSerialPort() override;

  OsResult<std::uint32_t> commStateBaudRate() override;
  OsResult<CommTimeouts> getTimeouts() override;
  OsError setTimeouts(const CommTimeouts& timeouts) override;
  WriteOutcome write(std::span<const std::uint8_t> data) override;
  OsError close() override;

  explicit TermiosSerialPort(int fd) : fd_(fd) {}

 private:
  // The reason the port can no longer be used (closed or hung up), empty while it can.
  OsError unusable() const;

  int fd_;
  CommTimeouts timeouts_;
};

}  // namespace vestrel::platform
