#pragma once

#include <windows.h>

#include <optional>
#include <string_view>
#include <vector>

#include "platform/DeviceBus.h"
#include "platform/ModemPorts.h"

namespace vestrel::platform {

// "{4E1E1E15-52D7-11D4-852D-00105AA6F80B}" as a GUID; nullopt for anything else.
std::optional<GUID> ParseInterfaceClass(std::string_view text);

// The present interfaces of the class through the device-setup functions; nullopt when the
// class's device set cannot be obtained. A member whose detail cannot be read is left out.
std::optional<std::vector<DeviceInterfaceRecord>> EnumeratePresentInterfaces(const GUID& klass);

// The present members of a serial-port class, each with its port name (empty when the device's
// key holds none) and the device instance IDs of its node and of the parents above it; nullopt
// when the class's device set cannot be obtained.
std::optional<std::vector<SerialPortSeen>> EnumeratePresentSerialPorts(const GUID& klass);

// The device-interface classes that a generic WinUSB installer gave present USB devices served
// by WinUSB: each one's "DeviceInterfaceGUIDs" (or "DeviceInterfaceGUID") in its device key.
// Empty when there are none or the devices cannot be listed.
std::vector<GUID> WinUsbInterfaceClasses();

}  // namespace vestrel::platform
