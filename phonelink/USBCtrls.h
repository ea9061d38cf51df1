#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DeviceBus.h"

namespace vestrel::phonelink {

// One found device interface, copied whole into each item as its ModemInfo. The phone link
// reads only DevInst (to match items to devices) and DevicePath (to open them); the rest is
// carried for the windows.
struct TUSBDevice {
  std::uint32_t DevInst = 0;
  std::string DevicePath;
  std::uint32_t Capabilities = 0;
  std::string Class;
  std::string ClassGUID;
  std::string CompatibleIDs;
  std::uint32_t ConfigFlags = 0;
  std::string DeviceDesc;
  std::string Driver;
  std::string FriendlyName;
  std::string HardwareID;
  std::string LowerFilters;
  std::string Mfg;
  std::string UpperFilters;
  std::string Address;
  std::uint32_t BusNumber = 0;
  std::string BusTypeGUID;
  std::string Characteristics;
  std::string DevType;
  std::string EnumeratorName;
  std::uint32_t Exclusive = 0;
  std::string LegacyBusType;
  std::string LocationInformation;
  std::string PhysicalDeviceObjectName;
  std::string Security;
  std::string Service;
  std::uint32_t UINumber = 0;
  std::string Property1E;
};

using TUSBDevices = std::vector<TUSBDevice>;

// Fills `devices` (emptied first) with the present interfaces of the class whose compatible IDs
// contain "USB" and whose device description contains `nameFilter`, both without regard to
// case; an empty filter takes every device.
void EnumUSBDevices(platform::DeviceBus& bus, std::string_view interfaceClass,
                    std::string_view nameFilter, TUSBDevices& devices);

// Registers `notice` for the class's device-change notices. The registration lives as long as
// the returned object; null when it was refused.
std::unique_ptr<platform::NoticeSubscription> RegisterUSBNotification(
    platform::DeviceBus& bus, std::string_view interfaceClass, std::function<void()> notice);

// A text property as a 257-byte read gives it: up to the first zero byte, so a multi-string
// yields its first string; empty when the property cannot be read.
std::string ReadDeviceProperty(const platform::DeviceInterfaceRecord& device,
                               std::uint32_t property);
// A number property read as 4 bytes into a cleared buffer; 0 when it cannot be read.
std::uint32_t ReadDevicePropertyDWord(const platform::DeviceInterfaceRecord& device,
                                      std::uint32_t property);

}  // namespace vestrel::phonelink
