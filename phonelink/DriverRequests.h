#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/DriverHandle.h"

namespace vestrel::phonelink::driver {

// The phone driver's requests and what counts as their success. Control transfers wait
// kControlWaitMs and are never cancelled; block writes and reads wait as long as the caller
// says and are cancelled after a time-out or a failed result.

inline constexpr std::uint32_t kControlWaitMs = 5000;
inline constexpr std::size_t kOutputMax = 4101;  // the driver's largest output
inline constexpr std::size_t kDriverBytes = 4;   // its own bytes before the data it returns
inline constexpr std::size_t kSetupSize = 8;
inline constexpr std::uint8_t kBlockType = 2;
inline constexpr std::size_t kBlockWriteHeader = 5;  // type byte and 32-bit length

struct SetupPacket {
  std::uint8_t requestType;
  std::uint8_t request;
  std::uint16_t value;
  std::uint16_t index;
  std::uint16_t length;
};

// Writes the 8-byte setup packet, 16-bit fields low byte first.
void PutSetupPacket(std::span<std::uint8_t> at, const SetupPacket& setup);

// Host-to-device transfer of `packet` (setup packet, then the data stage). Counts as sent even
// when the wait timed out; only a failed wait fails.
bool ControlOut(platform::DriverHandle& handle, std::span<const std::uint8_t> packet);

// Device-to-host transfer; `output` receives the driver's bytes and the data stage, and
// `bytesReturned` their count. After a timed-out wait the request call's own result counts.
bool ControlIn(platform::DriverHandle& handle, const SetupPacket& setup,
               std::span<std::uint8_t> output, std::uint32_t& bytesReturned);

// Stop requests: a front end that lets a person stop a run (the command-line tool's Ctrl-C)
// sets a check, which the waits here and the P2K reply polling ask. Once it says stop, the
// waits that remain share kStoppedWaitMs in all: a phone that answers still takes the requests
// that put things back, a silent one ends the run within a second. With a check set, block
// reads wait in slices of kStopSliceMs (a timed-out slice is cancelled and the read asked
// again); block writes are not sliced, since a write asked again could repeat a frame the
// phone took. Without a check (the windows) every wait is whole, as the driver's.
inline constexpr std::uint32_t kStoppedWaitMs = 600;
inline constexpr std::uint32_t kStopSliceMs = 200;
using StopCheck = bool (*)();
// `check` is asked from the phone link's thread; nullptr removes it. Starts the shared wait anew.
void SetStopCheck(StopCheck check);
bool StopRequested();
// Counts `waitedMs` against what is left after a stop; false once it is spent. Always true
// while no stop was requested.
bool WaitMayGoOn(std::uint32_t waitedMs);

// Block write of the data in `frame`, which holds kBlockWriteHeader bytes of room for the
// header, then the n data bytes, then one spare byte (the driver is passed n + 6 bytes).
bool BlockWrite(platform::DriverHandle& handle, std::span<std::uint8_t> frame,
                std::uint32_t waitMs);

// Block read of up to `wanted` bytes; `output` receives the driver's bytes and the data. A read
// whose wait ran out after data came succeeds with that data: the phone sent no more, and the
// reply's own header tells whether it is whole.
bool BlockRead(platform::DriverHandle& handle, std::uint32_t wanted, std::span<std::uint8_t> output,
               std::uint32_t waitMs, std::uint32_t& bytesReturned);

}  // namespace vestrel::phonelink::driver
