#include "phonelink/DriverRequests.h"

#include <array>

namespace vestrel::driver {

using platform::IoOutcome;
using platform::Wait;

namespace {

void putLe32(std::span<std::uint8_t> at, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Success of a block request; a time-out or a failed result leaves a request to cancel.
bool BlockSucceeded(platform::DriverHandle& handle, const IoOutcome& outcome) {
  if (outcome.wait == Wait::Signalled && outcome.resultOk) return true;
  if (outcome.wait == Wait::Timeout || outcome.wait == Wait::Signalled) handle.cancelIo();
  return false;
}

}  // namespace

void PutSetupPacket(std::span<std::uint8_t> at, const SetupPacket& setup) {
  at[0] = setup.requestType;
  at[1] = setup.request;
  at[2] = static_cast<std::uint8_t>(setup.value);
  at[3] = static_cast<std::uint8_t>(setup.value >> 8);
  at[4] = static_cast<std::uint8_t>(setup.index);
  at[5] = static_cast<std::uint8_t>(setup.index >> 8);
  at[6] = static_cast<std::uint8_t>(setup.length);
  at[7] = static_cast<std::uint8_t>(setup.length >> 8);
}

bool ControlOut(platform::DriverHandle& handle, std::span<const std::uint8_t> packet) {
  std::array<std::uint8_t, 5> unused{};
  return handle.ioControl(platform::IOCTL_P2K_CONTROL, packet, unused, kControlWaitMs).wait !=
         Wait::Failed;
}

bool ControlIn(platform::DriverHandle& handle, const SetupPacket& setup,
               std::span<std::uint8_t> output, std::uint32_t& bytesReturned) {
  std::array<std::uint8_t, kSetupSize + 1> input{};
  PutSetupPacket(input, setup);
  const IoOutcome outcome =
      handle.ioControl(platform::IOCTL_P2K_CONTROL, input, output, kControlWaitMs);
  bytesReturned = outcome.bytesReturned;
  switch (outcome.wait) {
    case Wait::Signalled: return outcome.resultOk;
    case Wait::Timeout: return outcome.callOk;
    case Wait::Failed: break;
  }
  return false;
}

bool BlockWrite(platform::DriverHandle& handle, std::span<std::uint8_t> frame,
                std::uint32_t waitMs) {
  const std::size_t dataSize = frame.size() - kBlockWriteHeader - 1;
  frame[0] = kBlockType;
  putLe32(frame.subspan(1), static_cast<std::uint32_t>(dataSize));
  std::array<std::uint8_t, 1> noOutput{};
  const IoOutcome outcome = handle.ioControl(
      platform::IOCTL_P2K_WRITE, frame, std::span<std::uint8_t>(noOutput).first(0), waitMs);
  return BlockSucceeded(handle, outcome);
}

bool BlockRead(platform::DriverHandle& handle, std::uint32_t wanted,
               std::span<std::uint8_t> output, std::uint32_t waitMs,
               std::uint32_t& bytesReturned) {
  std::array<std::uint8_t, kBlockWriteHeader> input{};
  input[0] = kBlockType;
  putLe32(std::span(input).subspan(1), wanted);
  const IoOutcome outcome = handle.ioControl(platform::IOCTL_P2K_READ, input, output, waitMs);
  bytesReturned = outcome.bytesReturned;
  return BlockSucceeded(handle, outcome);
}

}  // namespace vestrel::driver
