#include "platform/virtual/VirtualPhone.h"

#include "platform/DeviceClasses.h"

namespace vestrel::virtualphone {

namespace {
constexpr std::uint16_t kProbeCommand = 0x0FFF;
}

VirtualPhone::VirtualPhone(Identity identity, PhoneMode mode)
    : identity_(std::move(identity)), mode_(mode) {}

void VirtualPhone::setMode(PhoneMode mode) {
  if (mode == mode_) return;
  const PhoneMode from = mode_;
  mode_ = mode;
  ++appearance_;
  if (modeListener_) modeListener_(from, mode);
}

std::string VirtualPhone::devicePath() const {
  char path[160];
  switch (mode_) {
    case PhoneMode::P2K:
      std::snprintf(path, sizeof path, "\\\\?\\USB#VID_1D5A&PID_4902&MI_%02X#%s#%s",
                    identity_.p2kInterface, identity_.serial.c_str(),
                    platform::kPhoneDriverClass.data());
      return path;
    case PhoneMode::Flash:
      std::snprintf(path, sizeof path, "\\\\?\\USB#VID_1D5A&PID_4903#%s#%s",
                    identity_.serial.c_str(), platform::kPhoneDriverClass.data());
      return path;
    case PhoneMode::AT:
      std::snprintf(path, sizeof path, "\\\\?\\USB#VID_1D5A&PID_4901#%s#%s",
                    identity_.serial.c_str(), platform::kUsbDeviceClass.data());
      return path;
    case PhoneMode::Off:
      break;
  }
  return {};
}

void VirtualPhone::replyDelivered() {
  if (!modeAfterReply_) return;
  const PhoneMode mode = *modeAfterReply_;
  modeAfterReply_.reset();
  setMode(mode);
}

std::optional<P2KAnswer> VirtualPhone::takeCommand(std::uint16_t sequence, std::uint16_t command,
                                                   std::span<const std::uint8_t> payload) {
  if (vanishAfter_) {
    if (*vanishAfter_ == 0) {
      vanishAfter_.reset();
      setMode(PhoneMode::Off);
      return std::nullopt;
    }
    --*vanishAfter_;
  }
  sequenceNumbers_.push_back(sequence);
  const std::uint32_t taken = commandsTaken_++;
  lastFault_ = fault_;
  if (scheduled_ && (taken == scheduled_->at || (scheduled_->onwards && taken > scheduled_->at))) {
    lastFault_ = scheduled_->fault;
  }
  P2KAnswer answer;
  // A phone silent from some command on has hung: past that command it no longer acts either.
  const bool hung =
      lastFault_ == ReplyFault::Silent && scheduled_->onwards && taken > scheduled_->at;
  if (hung) {
    answer.success = false;
  } else if (handler_) {
    if (commandListener_) commandListener_(command, payload);
    answer = handler_(command, payload);
  } else {
    answer.success = command == kProbeCommand;
  }
  if (lastFault_ == ReplyFault::FlagZero) answer.success = false;
  return answer;
}

void VirtualPhone::faultAt(std::uint32_t index, ReplyFault fault, bool onwards) {
  scheduled_ = ScheduledFault{commandsTaken_ + index, fault, onwards};
}

}  // namespace vestrel::virtualphone
