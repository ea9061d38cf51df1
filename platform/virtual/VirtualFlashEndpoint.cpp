#include "platform/virtual/VirtualFlashEndpoint.h"

#include <algorithm>
#include <cerrno>

namespace vestrel::virtualphone {

using platform::IoOutcome;
using platform::Wait;

namespace {

constexpr std::size_t kRequestHeader = 5;  // type byte and 32-bit length, low byte first
constexpr std::size_t kDriverBytes = 4;    // the driver's own bytes before the data it returns

IoOutcome refused() {
  return {false, Wait::Signalled, false, 0, platform::OsError::FromErrno(EPIPE)};
}

std::uint32_t lengthField(std::span<const std::uint8_t> input) {
  return input[1] | (input[2] << 8) | (input[3] << 16) |
         (static_cast<std::uint32_t>(input[4]) << 24);
}

bool wellFormed(std::span<const std::uint8_t> input) {
  return input.size() >= kRequestHeader && input[0] == 2;
}

IoOutcome gone() { return {false, Wait::Failed, false, 0, platform::OsError::FromErrno(ENODEV)}; }

IoOutcome blockWrite(VirtualPhone& phone, VirtualClock& clock, std::span<const std::uint8_t> input,
                     std::uint32_t waitMs) {
  if (!wellFormed(input)) return refused();
  const std::uint32_t n = lengthField(input);
  if (n > input.size() - kRequestHeader) return refused();
  switch (phone.flash().receive(input.subspan(kRequestHeader, n))) {
    case FlashIntake::Refused:
      return refused();
    case FlashIntake::Late:
      clock.advance(waitMs);
      return TimedOutRequest();
    case FlashIntake::PoweredDown:
      phone.setMode(PhoneMode::Off);
      break;
    case FlashIntake::Vanished:
      phone.setMode(PhoneMode::Off);
      return gone();
    case FlashIntake::Taken:
      break;
  }
  return {true, Wait::Signalled, true, 0, {}};
}

IoOutcome blockRead(VirtualPhone& phone, VirtualClock& clock, std::span<const std::uint8_t> input,
                    std::span<std::uint8_t> output, std::uint32_t waitMs) {
  if (!wellFormed(input) || output.size() < kDriverBytes) return refused();
  auto reply = phone.flash().takeReply();
  if (!reply) {
    clock.advance(waitMs);
    return TimedOutRequest();
  }
  const std::size_t n =
      std::min<std::size_t>({reply->size(), lengthField(input), output.size() - kDriverBytes});
  std::fill_n(output.begin(), kDriverBytes, std::uint8_t{0});
  std::copy_n(reply->begin(), n, output.begin() + kDriverBytes);
  return {true, Wait::Signalled, true, static_cast<std::uint32_t>(kDriverBytes + n), {}};
}

}  // namespace

IoOutcome TimedOutRequest() {
  return {false, Wait::Timeout, false, 0, platform::OsError::FromErrno(ETIMEDOUT)};
}

IoOutcome FlashEndpointRequest(VirtualPhone& phone, VirtualClock& clock, std::uint32_t code,
                               std::span<const std::uint8_t> input, std::span<std::uint8_t> output,
                               std::uint32_t waitMs) {
  phone.flash().bootFor(phone.appearance());
  switch (code) {
    case platform::IOCTL_P2K_WRITE:
      return blockWrite(phone, clock, input, waitMs);
    case platform::IOCTL_P2K_READ:
      return blockRead(phone, clock, input, output, waitMs);
    default:
      return refused();
  }
}

}  // namespace vestrel::virtualphone
