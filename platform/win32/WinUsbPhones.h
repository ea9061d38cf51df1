#pragma once

// Phones whose P2K or flash interface is bound to WinUSB rather than the maker's driver show
// up in WinUSB's device-interface classes, not the phone driver's class the P2K and flash
// families look in. Which of those interfaces are phones and the records they become are
// decided here, in plain code; the Windows bus gathers the interfaces.

#include <string_view>
#include <vector>

#include "platform/DeviceBus.h"
#include "platform/PhoneTable.h"

namespace vestrel::platform {

// The device-interface class the shipped INF (vestrel-winusb.inf) gives the phones' P2K and
// flash interfaces.
inline constexpr std::string_view kWinUsbPhoneClass = "{DA597FD7-AECB-4E3F-8033-9F4E08571921}";

// The interfaces of `interfaces` (WinUSB's, in any class) that `table` names as P2K or flash,
// as records of the phone driver's class: the table's description of the family, the model as
// friendly name, "WinUSB" as service, the rest as the system gave it. An interface is judged
// by its first hardware ID (vendor, product, "&MI_xx"; a whole device counts as interface 0)
// and its first compatible ID's class and subclass. One listed twice (in two classes) is kept
// once, by device instance.
std::vector<DeviceInterfaceRecord> WinUsbPhoneRecords(
    const std::vector<DeviceInterfaceRecord>& interfaces, const PhoneTable& table);

}  // namespace vestrel::platform
