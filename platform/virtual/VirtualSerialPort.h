#pragma once

#include <memory>

#include "platform/SerialPort.h"
#include "platform/virtual/VirtualPhone.h"

namespace vestrel::virtualphone {

// The modem port of a virtual phone in AT mode. Settings live in the phone, so time-outs read
// back what was written; writes complete at once and land in the phone's modem input.
class VirtualSerialPort final : public platform::SerialPort {
 public:
  explicit VirtualSerialPort(std::shared_ptr<VirtualPhone> phone);

  std::optional<std::uint32_t> commStateBaudRate() override;
  std::optional<platform::CommTimeouts> getTimeouts() override;
  bool setTimeouts(const platform::CommTimeouts& timeouts) override;
  platform::WriteOutcome write(std::span<const std::uint8_t> data) override;
  bool close() override;

 private:
  bool deviceThere() const;

  std::shared_ptr<VirtualPhone> phone_;
  std::uint32_t openedAppearance_;
  bool closed_ = false;
};

}  // namespace vestrel::virtualphone
