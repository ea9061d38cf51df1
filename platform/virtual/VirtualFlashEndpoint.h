#pragma once

#include <cstdint>
#include <span>

#include "platform/DriverHandle.h"
#include "platform/virtual/VirtualClock.h"
#include "platform/virtual/VirtualPhone.h"

namespace vestrel::virtualphone {

// A request whose wait ran out, on either side of the phone: nothing finished, so the call's
// own result is false too.
platform::IoOutcome TimedOutRequest();

// The driver's side of a phone in flash mode: block writes carry frame bytes to the phone's
// loader, block reads fetch its reply (a read with no reply waiting times out, advancing the
// clock by the wait). Control transfers stall: the loaders have no control interface.
platform::IoOutcome FlashEndpointRequest(VirtualPhone& phone, VirtualClock& clock,
                                         std::uint32_t code, std::span<const std::uint8_t> input,
                                         std::span<std::uint8_t> output, std::uint32_t waitMs);

}  // namespace vestrel::virtualphone
