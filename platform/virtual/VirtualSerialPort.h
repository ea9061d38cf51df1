#pragma once

#include <memory>

#include "platform/SerialPort.h"
#include "platform/virtual/VirtualPhone.h"

namespace vestrel::virtualphone {

// The modem port of a virtual phone in AT mode. Settings live in the phone, so time-outs read
// back what was written; writes complete at once and land in the phone's modem input. The
// modem takes command lines ending in CR LF: "AT+Mode=8" sends the phone back to P2K mode.
class VirtualSerialPort final : public platform::SerialPort {
 public:
  explicit VirtualSerialPort(std::shared_ptr<VirtualPhone> phone);

  platform::OsResult<std::uint32_t> commStateBaudRate() override;
  platform::OsResult<platform::CommTimeouts> getTimeouts() override;
  platform::OsError setTimeouts(const platform::CommTimeouts& timeouts) override;
  platform::WriteOutcome write(std::span<const std::uint8_t> data) override;
  platform::OsError close() override;

 private:
  bool deviceThere() const;
  platform::OsError goneError() const;
  // Acts on the command lines completed since the last one taken.
  void takeCommandLines();

  std::shared_ptr<VirtualPhone> phone_;
  std::uint32_t openedAppearance_;
  bool closed_ = false;
  std::size_t lineStart_;  // where the modem input's unfinished command line begins
};

}  // namespace vestrel::virtualphone
