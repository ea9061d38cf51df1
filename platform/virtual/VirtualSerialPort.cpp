#include "platform/virtual/VirtualSerialPort.h"

#include <cerrno>
#include <string_view>

namespace vestrel::virtualphone {

VirtualSerialPort::VirtualSerialPort(std::shared_ptr<VirtualPhone> phone)
    : phone_(std::move(phone)),
      openedAppearance_(phone_->appearance()),
      lineStart_(phone_->modemInput().size()) {}

bool VirtualSerialPort::deviceThere() const {
  return !closed_ && phone_->mode() == PhoneMode::AT && phone_->appearance() == openedAppearance_;
}

// A tty whose device has gone answers EIO, as a hung-up cdc_acm port does.
platform::OsError VirtualSerialPort::goneError() const {
  return platform::OsError::FromErrno(closed_ ? EBADF : EIO);
}

platform::OsResult<std::uint32_t> VirtualSerialPort::commStateBaudRate() {
  if (!deviceThere()) return {std::nullopt, goneError()};
  return {phone_->modemBaudRate(), {}};
}

platform::OsResult<platform::CommTimeouts> VirtualSerialPort::getTimeouts() {
  if (!deviceThere()) return {std::nullopt, goneError()};
  return {phone_->modemTimeouts(), {}};
}

platform::OsError VirtualSerialPort::setTimeouts(const platform::CommTimeouts& timeouts) {
  if (!deviceThere()) return goneError();
  phone_->modemTimeouts() = timeouts;
  return {};
}

platform::WriteOutcome VirtualSerialPort::write(std::span<const std::uint8_t> data) {
  if (!deviceThere()) return {false, 0, goneError()};
  auto& input = phone_->modemInput();
  input.insert(input.end(), data.begin(), data.end());
  takeCommandLines();
  return {true, static_cast<std::uint32_t>(data.size()), {}};
}

void VirtualSerialPort::takeCommandLines() {
  const auto& input = phone_->modemInput();
  const std::string_view text(reinterpret_cast<const char*>(input.data()), input.size());
  for (auto end = text.find("\r\n", lineStart_); end != std::string_view::npos;
       end = text.find("\r\n", lineStart_)) {
    const std::string_view line = text.substr(lineStart_, end - lineStart_);
    lineStart_ = end + 2;
    // The phone answers by re-enumerating in P2K mode; the port goes with its AT device.
    if (line == "AT+Mode=8") {
      phone_->setMode(PhoneMode::P2K);
      return;
    }
  }
}

platform::OsError VirtualSerialPort::close() {
  if (closed_) return platform::OsError::FromErrno(EBADF);
  closed_ = true;
  return {};
}

}  // namespace vestrel::virtualphone
