#pragma once

// The raw property bytes of a DeviceInterfaceRecord, for the buses that make records of what
// their OS shows and for the code that reads them back.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/DeviceBus.h"

namespace vestrel::platform {

// Text with its zero byte; several texts, each with its zero byte, and one more at the end; a
// number as 4 bytes, low byte first.
PropertyBytes TextProperty(std::string_view text);
PropertyBytes MultiTextProperty(std::initializer_list<std::string_view> texts);
PropertyBytes NumberProperty(std::uint32_t value);

// A text property up to its first zero byte (a multi-string's first text); empty when the
// record does not carry it.
std::string FirstTextOf(const DeviceInterfaceRecord& record, std::uint32_t property);

}  // namespace vestrel::platform
