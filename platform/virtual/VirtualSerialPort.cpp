#include "platform/virtual/VirtualSerialPort.h"

namespace vestrel::virtualphone {

VirtualSerialPort::VirtualSerialPort(std::shared_ptr<VirtualPhone> phone)
    : phone_(std::move(phone)), openedAppearance_(phone_->appearance()) {}

bool VirtualSerialPort::deviceThere() const {
  return !closed_ && phone_->mode() == PhoneMode::AT && phone_->appearance() == openedAppearance_;
}

std::optional<std::uint32_t> VirtualSerialPort::commStateBaudRate() {
  if (!deviceThere()) return std::nullopt;
  return phone_->modemBaudRate();
}

std::optional<platform::CommTimeouts> VirtualSerialPort::getTimeouts() {
  if (!deviceThere()) return std::nullopt;
  return phone_->modemTimeouts();
}

bool VirtualSerialPort::setTimeouts(const platform::CommTimeouts& timeouts) {
  if (!deviceThere()) return false;
  phone_->modemTimeouts() = timeouts;
  return true;
}

platform::WriteOutcome VirtualSerialPort::write(std::span<const std::uint8_t> data) {
  if (!deviceThere()) return {};
  auto& input = phone_->modemInput();
  input.insert(input.end(), data.begin(), data.end());
  return {true, static_cast<std::uint32_t>(data.size())};
}

bool VirtualSerialPort::close() {
  if (closed_) return false;
  closed_ = true;
  return true;
}

}  // namespace vestrel::virtualphone
