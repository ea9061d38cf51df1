#include "phonelink/MotoATMode.h"

namespace vestrel {

TMotoATModemItem::TMotoATModemItem(const PhoneLinkContext& context, TUSBDevice info)
    : TMotoModemItem(std::move(info)), bus_(context.bus) {}

TMotoATModemItem::~TMotoATModemItem() { CloseOnDestroy(); }

bool TMotoATModemItem::IsOpen() {
  if (port_) {
    const auto baud = port_->commStateBaudRate();
    if (baud && *baud != 0) return true;
  }
  ClosePhone();
  return false;
}

bool TMotoATModemItem::OpenPhone() {
  if (IsOpen()) return true;
  port_ = bus_.openSerial(ModemInfo().DevicePath);
  if (!port_) {
    DoDebug("Open Phone Failed", dtError, false);
    return false;
  }
  SetTimeOut(timeOut_);
  DoDebug("Open Phone", dtInformation, false);
  return true;
}

bool TMotoATModemItem::ClosePhone() {
  if (port_ && port_->close()) {
    port_.reset();
    DoDebug("Phone Close", dtInformation, false);
    return true;
  }
  DoDebug("Close Phone Failed", dtError, false);
  return false;
}

void TMotoATModemItem::SetTimeOut(std::uint32_t ms) {
  const auto current = port_ ? port_->getTimeouts() : std::nullopt;
  if (current && current->readTotalConstant == ms) return;
  const platform::CommTimeouts wanted{0, 0, ms, 0, ms};
  if (!port_ || !port_->setTimeouts(wanted)) {
    DoDebug("Phone Set TimeOut Failed", dtError, false);
    return;
  }
  const auto readBack = port_->getTimeouts();
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

}  // namespace vestrel
