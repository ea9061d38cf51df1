#include "platform/virtual/VirtualDriverHandle.h"

#include <algorithm>
#include <cerrno>

#include "platform/virtual/VirtualFlashEndpoint.h"

namespace vestrel::virtualphone {

using platform::IoOutcome;
using platform::Wait;

namespace {

// The wire constants and byte helpers here are the virtual phone's own, deliberately not shared
// with phonelink/: the phone is the independent side the phone link is tested against.
constexpr std::size_t kSetupSize = 8;
constexpr std::size_t kDriverBytes = 4;  // the driver's own bytes before the data it returns
constexpr std::size_t kControlHeader = 16;
constexpr std::size_t kBlockHeader = 12;

std::uint16_t le16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

std::uint16_t be16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>((b[at] << 8) | b[at + 1]);
}

void putBe16(std::vector<std::uint8_t>& b, std::size_t at, std::size_t value) {
  b[at] = static_cast<std::uint8_t>(value >> 8);
  b[at + 1] = static_cast<std::uint8_t>(value);
}

IoOutcome completed(std::uint32_t bytes) { return {true, Wait::Signalled, true, bytes, {}}; }
// The virtual phone reports what a Linux host's USB stack would: a stalled endpoint is EPIPE,
// a device that left ENODEV.
IoOutcome stalled() {
  return {false, Wait::Signalled, false, 0, platform::OsError::FromErrno(EPIPE)};
}
IoOutcome gone() { return {false, Wait::Failed, false, 0, platform::OsError::FromErrno(ENODEV)}; }

// Copies the driver's bytes and `data` into `output`; returns the byte count delivered.
std::uint32_t deliverOutput(std::span<std::uint8_t> output, std::span<const std::uint8_t> data) {
  const std::size_t room = output.size() > kDriverBytes ? output.size() - kDriverBytes : 0;
  const std::size_t n = std::min(room, data.size());
  std::fill_n(output.begin(), std::min(kDriverBytes, output.size()), std::uint8_t{0});
  std::copy_n(data.begin(), n,
              output.begin() + static_cast<std::ptrdiff_t>(std::min(kDriverBytes, output.size())));
  return static_cast<std::uint32_t>(std::min(kDriverBytes, output.size()) + n);
}

}  // namespace

VirtualDriverHandle::VirtualDriverHandle(std::shared_ptr<VirtualPhone> phone, VirtualClock& clock)
    : phone_(std::move(phone)),
      clock_(clock),
      openedMode_(phone_->mode()),
      openedAppearance_(phone_->appearance()) {}

platform::OsError VirtualDriverHandle::close() {
  if (closed_) return platform::OsError::FromErrno(EBADF);
  closed_ = true;
  return {};
}

bool VirtualDriverHandle::deviceThere() const {
  return !closed_ && phone_->mode() == openedMode_ && phone_->appearance() == openedAppearance_;
}

IoOutcome VirtualDriverHandle::timedOut(std::uint32_t waitMs) {
  clock_.advance(waitMs);
  return TimedOutRequest();
}

IoOutcome VirtualDriverHandle::ioControl(std::uint32_t code, std::span<const std::uint8_t> input,
                                         std::span<std::uint8_t> output, std::uint32_t waitMs) {
  if (!deviceThere()) return gone();
  if (openedMode_ == PhoneMode::Flash) {
    return FlashEndpointRequest(*phone_, clock_, code, input, output, waitMs);
  }
  if (openedMode_ != PhoneMode::P2K) return gone();
  if (phone_->replyFault() == ReplyFault::Silent) return timedOut(waitMs);
  if (phone_->replyFault() == ReplyFault::Stall) return stalled();
  switch (code) {
    case platform::IOCTL_P2K_CONTROL:
      return control(input, output);
    case platform::IOCTL_P2K_WRITE:
      return blockWrite(input);
    case platform::IOCTL_P2K_READ:
      return blockRead(input, output, waitMs);
    default:
      return stalled();
  }
}

IoOutcome VirtualDriverHandle::control(std::span<const std::uint8_t> input,
                                       std::span<std::uint8_t> output) {
  if (input.size() < kSetupSize) return stalled();
  const std::uint8_t requestType = input[0];
  const std::uint8_t request = input[1];
  const std::uint16_t value = le16(input, 2);
  const std::uint16_t index = le16(input, 4);
  const std::uint16_t length = le16(input, 6);
  // The bare vendor request that sends the phone to AT mode; it is never answered.
  if (requestType == 0x40 && request == 0x01) {
    phone_->setMode(PhoneMode::AT);
    return completed(0);
  }
  if (index != phone_->identity().p2kInterface) return stalled();

  if (requestType == 0x41 && request == 0x02) {
    const auto stage = input.subspan(kSetupSize);
    if (stage.size() < length || length < 8) return stalled();
    const std::size_t payloadLength = be16(stage, 4);
    if (payloadLength + 8 > length) return stalled();
    // A phone that takes commands only by block write ignores control-transfer commands.
    if (phone_->p2kTransport() == P2KTransport::BlockOnly) return completed(0);
    if (!deliver(be16(stage, 0), be16(stage, 2), stage.subspan(8, payloadLength))) return gone();
    return completed(0);
  }
  if (requestType == 0xC1 && request == 0x00) {
    std::vector<std::uint8_t> status(8, 0);
    if (!queue_.empty()) {
      status[1] = 1;
      putBe16(status, 2, controlStage(queue_.front()).size() - 6);
    }
    return completed(deliverOutput(output, status));
  }
  if (requestType == 0xC1 && request == 0x01) {
    if (queue_.empty() || value == 0) return stalled();
    const Pending reply = takeReply();
    if (reply.fault == ReplyFault::Stall) return stalled();
    std::vector<std::uint8_t> stage = controlStage(reply);
    applyFault(reply.fault, stage);
    stage.resize(std::min<std::size_t>(stage.size(), length));
    const std::uint32_t delivered = deliverOutput(output, stage);
    phone_->replyDelivered();
    return completed(delivered);
  }
  return stalled();
}

IoOutcome VirtualDriverHandle::blockWrite(std::span<const std::uint8_t> input) {
  if (input.size() < 5 || input[0] != 2) return stalled();
  const std::uint32_t n =
      input[1] | (input[2] << 8) | (input[3] << 16) | (static_cast<std::uint32_t>(input[4]) << 24);
  if (n > input.size() - 5 || n < kBlockHeader) return stalled();
  const auto block = input.subspan(5, n);
  const std::size_t payloadLength = be16(block, 10);
  if (kBlockHeader + payloadLength > n) return stalled();
  if (!deliver(be16(block, 0), be16(block, 2), block.subspan(kBlockHeader, payloadLength))) {
    return gone();
  }
  return completed(0);
}

IoOutcome VirtualDriverHandle::blockRead(std::span<const std::uint8_t> input,
                                         std::span<std::uint8_t> output, std::uint32_t waitMs) {
  if (input.size() < 5 || input[0] != 2) return stalled();
  if (queue_.empty()) return timedOut(waitMs);
  const std::uint32_t wanted =
      input[1] | (input[2] << 8) | (input[3] << 16) | (static_cast<std::uint32_t>(input[4]) << 24);
  const Pending pending = takeReply();
  if (pending.fault == ReplyFault::Stall) return stalled();
  std::vector<std::uint8_t> reply = blockReply(pending);
  applyFault(pending.fault, reply);
  reply.resize(std::min<std::size_t>(reply.size(), wanted));
  const std::uint32_t delivered = deliverOutput(output, reply);
  phone_->replyDelivered();
  return completed(delivered);
}

bool VirtualDriverHandle::deliver(std::uint16_t sequence, std::uint16_t command,
                                  std::span<const std::uint8_t> payload) {
  auto answer = phone_->takeCommand(sequence, command, payload);
  if (!answer) {
    queue_.clear();
    late_.reset();
    return false;
  }
  // A reply that came too late is there before this command's.
  if (late_) {
    queue_.push_back(std::move(*late_));
    late_.reset();
  }
  const ReplyFault fault = phone_->lastCommandFault();
  // A phone that acts but stays silent: the reply never comes.
  if (fault == ReplyFault::Silent) return true;
  Pending reply{sequence, command, std::move(*answer), fault};
  if (fault == ReplyFault::Late) {
    late_ = std::move(reply);
  } else {
    queue_.push_back(std::move(reply));
  }
  return true;
}

VirtualDriverHandle::Pending VirtualDriverHandle::takeReply() {
  Pending reply = std::move(queue_.front());
  queue_.pop_front();
  if (reply.fault == ReplyFault::Duplicated) {
    reply.fault = ReplyFault::None;
    queue_.push_front(reply);
  }
  return reply;
}

// Data stage of a control read: flag, reply count, size, sequence, command, 0, length, 0, data.
std::vector<std::uint8_t> VirtualDriverHandle::controlStage(const Pending& reply) {
  const auto& data = reply.answer.data;
  std::vector<std::uint8_t> stage(kControlHeader - 2 + data.size(), 0);
  stage[0] = reply.answer.success ? 1 : 0;
  stage[1] = 1;
  putBe16(stage, 2, data.size() + 8);
  putBe16(stage, 4, reply.sequence);
  putBe16(stage, 6, reply.command);
  putBe16(stage, 10, data.size());
  std::copy(data.begin(), data.end(), stage.begin() + kControlHeader - 2);
  return stage;
}

// A block read's reply: sequence, command, 0, flag, four zeros, length, data.
std::vector<std::uint8_t> VirtualDriverHandle::blockReply(const Pending& pending) {
  const auto& data = pending.answer.data;
  std::vector<std::uint8_t> reply(kBlockHeader + data.size(), 0);
  putBe16(reply, 0, pending.sequence);
  putBe16(reply, 2, pending.command);
  reply[5] = pending.answer.success ? 1 : 0;
  putBe16(reply, 10, data.size());
  std::copy(data.begin(), data.end(), reply.begin() + kBlockHeader);
  return reply;
}

void VirtualDriverHandle::applyFault(ReplyFault fault, std::vector<std::uint8_t>& reply) {
  switch (fault) {
    case ReplyFault::Short:
      reply.resize(std::min<std::size_t>(reply.size(), 6));
      break;
    case ReplyFault::Garbled:
      for (auto& byte : reply) byte = static_cast<std::uint8_t>(~byte);
      break;
    default:
      break;
  }
}

}  // namespace vestrel::virtualphone
