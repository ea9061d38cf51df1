#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/DriverHandle.h"

namespace vestrel::driver {

// The phone driver's requests and what counts as their success. Control transfers wait
// kControlWaitMs and are never cancelled; block writes and reads wait as long as the caller
// says and are cancelled after a time-out or a failed result.

inline constexpr std::uint32_t kControlWaitMs = 5000;
inline constexpr std::size_t kOutputMax = 4101;   // the driver's largest output
inline constexpr std::size_t kDriverBytes = 4;    // its own bytes before the data it returns
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

// Block write of the data in `frame`, which holds kBlockWriteHeader bytes of room for the
// header, then the n data bytes, then one spare byte (the driver is passed n + 6 bytes).
bool BlockWrite(platform::DriverHandle& handle, std::span<std::uint8_t> frame,
                std::uint32_t waitMs);

// Block read of up to `wanted` bytes; `output` receives the driver's bytes and the data.
bool BlockRead(platform::DriverHandle& handle, std::uint32_t wanted,
               std::span<std::uint8_t> output, std::uint32_t waitMs,
               std::uint32_t& bytesReturned);

}  // namespace vestrel::driver
