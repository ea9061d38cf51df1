#include "phonelink/DriverRequests.h"

#include <algorithm>
#include <array>

#include "phonelink/Bytes.h"

namespace vestrel::phonelink::driver {

using platform::IoOutcome;
using platform::Wait;

namespace {

// Success of a block request; a time-out or a failed result leaves a request to cancel.
bool BlockSucceeded(platform::DriverHandle& handle, const IoOutcome& outcome) {
  if (outcome.wait == Wait::Signalled && outcome.resultOk) return true;
  if (outcome.wait == Wait::Timeout || outcome.wait == Wait::Signalled) handle.cancelIo();
  return false;
}

// A timed-out read that still brought data past the driver's own bytes.
bool ReadBroughtData(const IoOutcome& outcome) {
  return outcome.wait == Wait::Timeout && outcome.bytesReturned > kDriverBytes;
}

// The one stop check of the process, as a signal is the process's.
StopCheck stopCheck = nullptr;
std::uint32_t waitedAfterStop = 0;

}  // namespace

void SetStopCheck(StopCheck check) {
  stopCheck = check;
  waitedAfterStop = 0;
}

bool StopRequested() { return stopCheck != nullptr && stopCheck(); }

bool WaitMayGoOn(std::uint32_t waitedMs) {
  if (!StopRequested()) return true;
  waitedAfterStop += std::min(waitedMs, kStoppedWaitMs);
  return waitedAfterStop < kStoppedWaitMs;
}

void PutSetupPacket(std::span<std::uint8_t> at, const SetupPacket& setup) {
  at[0] = setup.requestType;
  at[1] = setup.request;
  bytes::StoreLe16(at.subspan(2), setup.value);
  bytes::StoreLe16(at.subspan(4), setup.index);
  bytes::StoreLe16(at.subspan(6), setup.length);
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
    case Wait::Signalled:
      return outcome.resultOk;
    case Wait::Timeout:
      return outcome.callOk;
    case Wait::Failed:
      break;
  }
  return false;
}

bool BlockWrite(platform::DriverHandle& handle, std::span<std::uint8_t> frame,
                std::uint32_t waitMs) {
  const std::size_t dataSize = frame.size() - kBlockWriteHeader - 1;
  frame[0] = kBlockType;
  bytes::StoreLe32(frame.subspan(1), static_cast<std::uint32_t>(dataSize));
  std::array<std::uint8_t, 1> noOutput{};
  const IoOutcome outcome = handle.ioControl(platform::IOCTL_P2K_WRITE, frame,
                                             std::span<std::uint8_t>(noOutput).first(0), waitMs);
  return BlockSucceeded(handle, outcome);
}

bool BlockRead(platform::DriverHandle& handle, std::uint32_t wanted, std::span<std::uint8_t> output,
               std::uint32_t waitMs, std::uint32_t& bytesReturned) {
  std::array<std::uint8_t, kBlockWriteHeader> input{};
  input[0] = kBlockType;
  bytes::StoreLe32(std::span(input).subspan(1), wanted);
  std::uint32_t left = waitMs;
  for (;;) {
    const std::uint32_t slice = stopCheck != nullptr ? std::min(left, kStopSliceMs) : left;
    const IoOutcome outcome = handle.ioControl(platform::IOCTL_P2K_READ, input, output, slice);
    bytesReturned = outcome.bytesReturned;
    if (ReadBroughtData(outcome)) {
      handle.cancelIo();
      return true;
    }
    left -= slice;
    if (outcome.wait != Wait::Timeout || left == 0 || !WaitMayGoOn(slice)) {
      return BlockSucceeded(handle, outcome);
    }
    handle.cancelIo();
  }
}

}  // namespace vestrel::phonelink::driver
