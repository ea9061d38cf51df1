#include "phonelink/MotoATMode.h"

#include <array>
#include <string>

namespace vestrel::phonelink {

namespace {
constexpr std::array<std::string_view, 3> kModeCommands{"AT+Mode=8", "AT+Mode=22", "AT+Mode=24"};
}

TMotoATModemItem::TMotoATModemItem(const PhoneLinkContext& context, TUSBDevice info)
    : TMotoModemItem(std::move(info)), bus_(context.bus) {}

TMotoATModemItem::~TMotoATModemItem() { CloseOnDestroy(); }

bool TMotoATModemItem::IsOpen() {
  if (port_) {
    const auto baud = port_->commStateBaudRate().value;
    if (baud && *baud != 0) return true;
  }
  ClosePhone();
  return false;
}

bool TMotoATModemItem::OpenPhone() {
  if (IsOpen()) return true;
  auto opened = bus_.openSerial(ModemInfo().DevicePath);
  port_ = std::move(opened.handle);
  SetOpenError(opened.error);
  if (!port_) {
    DoDebug("Open Phone Failed", dtError, false);
    return false;
  }
  SetTimeOut(timeOut_);
  DoDebug("Open Phone", dtInformation, false);
  return true;
}

bool TMotoATModemItem::ClosePhone() {
  if (port_ && !port_->close().failed()) {
    port_.reset();
    DoDebug("Phone Close", dtInformation, false);
    return true;
  }
  DoDebug("Close Phone Failed", dtError, false);
  return false;
}

void TMotoATModemItem::SetTimeOut(std::uint32_t ms) {
  const auto current = port_ ? port_->getTimeouts().value : std::nullopt;
  if (current && current->readTotalConstant == ms) return;
  const platform::CommTimeouts wanted{0, 0, ms, 0, ms};
  if (!port_ || port_->setTimeouts(wanted).failed()) {
    DoDebug("Phone Set TimeOut Failed", dtError, false);
    return;
  }
  const auto readBack = port_->getTimeouts().value;
  if (!readBack) {
    DoDebug("Phone Set TimeOut Failed - Error Get TimeOut", dtError, false);
    return;
  }
  if (readBack->readTotalConstant != ms) {
    DoDebug("Phone Set TimeOut Failed", dtError, false);
    return;
  }
  timeOut_ = ms;
  DoDebug("Phone Set TimeOut", dtInformation, false);
}

std::uint32_t TMotoATModemItem::WriteData(std::span<const std::uint8_t> data) {
  if (!port_) {
    DoDebug("Phone don`t open", dtError, true);
    return 0;
  }
  const platform::WriteOutcome outcome = port_->write(data);
  if (!outcome.accepted) {
    DoDebug("Phone Write Data Failed", dtError, true);
    return 0;
  }
  DoDebug("Phone Write Data", dtInformation, true);
  return outcome.written;
}

bool TMotoATModemItem::SendCommand(std::string_view command) {
  std::string line(command);
  line += "\r\n";
  const bool ok =
      WriteData(std::span(reinterpret_cast<const std::uint8_t*>(line.data()), line.size())) != 0;
  DoDebug(ok ? "Phone Send Command" : "Phone Send Command Failed", ok ? dtInformation : dtError,
          false);
  return ok;
}

void TMotoATModemItem::SwitchMode(std::uint8_t mode) {
  if (mode >= kModeCommands.size()) return;
  if (SendCommand(kModeCommands[mode])) {
    DoDebug("Phone Switch", dtInformation, false);
  } else {
    DoDebug("Phone Switch Mode Failed - Error Send Command", dtError, false);
  }
}

}  // namespace vestrel::phonelink
