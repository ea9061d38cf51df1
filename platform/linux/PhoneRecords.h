#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DeviceBus.h"
#include "platform/PhoneTable.h"
#include "platform/linux/UsbTopology.h"

namespace vestrel::platform {

// One phone interface as the device-setup functions would list it, before the bus gives it a
// device instance. `appearanceKey` is the same for as long as the interface stays on the bus
// and changes when the phone re-enumerates (it holds the usbfs node, whose device number the
// kernel renews).
struct PhoneInterface {
  std::string interfaceClass;
  std::string appearanceKey;
  DeviceInterfaceRecord record;
};

// The interfaces of `devices` that `table` names, each device's by number: P2K and flash in
// the phone driver's class with the usbfs node and "#VID_vvvv&PID_pppp&MI_nn" as device path;
// AT modems in the USB device class with their tty node as device path (a modem whose tty is
// not there yet is left out). Descriptions come from the table, compatible IDs from the
// interface's class triple, the location is the sysfs port path.
std::vector<PhoneInterface> PhoneInterfacesOf(const std::vector<UsbDeviceInfo>& devices,
                                              const PhoneTable& table);

// A driver device path taken apart: the usbfs node and the interface number after "&MI_".
struct DriverPath {
  std::string node;
  std::uint8_t interfaceNumber = 0;
};
std::optional<DriverPath> ParseDriverPath(std::string_view devicePath);

}  // namespace vestrel::platform
