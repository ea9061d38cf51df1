#include "phonelink/USBCtrls.h"

#include <algorithm>
#include <cctype>

#include "platform/DeviceClasses.h"

namespace vestrel::phonelink {

using namespace platform;

namespace {

constexpr std::size_t kTextPropertyBuffer = 257;

std::string upperCase(std::string_view text) {
  std::string upper(text);
  for (auto& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

TUSBDevice describe(const DeviceInterfaceRecord& d) {
  TUSBDevice u;
  u.DevInst = d.deviceInstance;
  u.DevicePath = d.devicePath;
  u.Capabilities = ReadDevicePropertyDWord(d, SPDRP_CAPABILITIES);
  u.Class = ReadDeviceProperty(d, SPDRP_CLASS);
  u.ClassGUID = ReadDeviceProperty(d, SPDRP_CLASSGUID);
  u.CompatibleIDs = ReadDeviceProperty(d, SPDRP_COMPATIBLEIDS);
  u.ConfigFlags = ReadDevicePropertyDWord(d, SPDRP_CONFIGFLAGS);
  u.DeviceDesc = ReadDeviceProperty(d, SPDRP_DEVICEDESC);
  u.Driver = ReadDeviceProperty(d, SPDRP_DRIVER);
  u.FriendlyName = ReadDeviceProperty(d, SPDRP_FRIENDLYNAME);
  u.HardwareID = ReadDeviceProperty(d, SPDRP_HARDWAREID);
  u.LowerFilters = ReadDeviceProperty(d, SPDRP_LOWERFILTERS);
  u.Mfg = ReadDeviceProperty(d, SPDRP_MFG);
  u.UpperFilters = ReadDeviceProperty(d, SPDRP_UPPERFILTERS);
  u.Address = ReadDeviceProperty(d, SPDRP_ADDRESS);
  u.BusNumber = ReadDevicePropertyDWord(d, SPDRP_BUSNUMBER);
  u.BusTypeGUID = ReadDeviceProperty(d, SPDRP_BUSTYPEGUID);
  u.Characteristics = ReadDeviceProperty(d, SPDRP_CHARACTERISTICS);
  u.DevType = ReadDeviceProperty(d, SPDRP_DEVTYPE);
  u.EnumeratorName = ReadDeviceProperty(d, SPDRP_ENUMERATOR_NAME);
  u.Exclusive = ReadDevicePropertyDWord(d, SPDRP_EXCLUSIVE);
  u.LegacyBusType = ReadDeviceProperty(d, SPDRP_LEGACYBUSTYPE);
  u.LocationInformation = ReadDeviceProperty(d, SPDRP_LOCATION_INFORMATION);
  u.PhysicalDeviceObjectName = ReadDeviceProperty(d, SPDRP_PHYSICAL_DEVICE_OBJECT_NAME);
  u.Security = ReadDeviceProperty(d, SPDRP_SECURITY);
  u.Service = ReadDeviceProperty(d, SPDRP_SERVICE);
  u.UINumber = ReadDevicePropertyDWord(d, SPDRP_UI_NUMBER);
  u.Property1E = ReadDeviceProperty(d, SPDRP_PROPERTY_1E);
  return u;
}

}  // namespace

std::string ReadDeviceProperty(const DeviceInterfaceRecord& device, std::uint32_t property) {
  const auto it = device.properties.find(property);
  // A property too large for the buffer fails to read, like one that is missing.
  if (it == device.properties.end() || it->second.size() > kTextPropertyBuffer) return {};
  const auto& bytes = it->second;
  const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
  return std::string(bytes.begin(), end);
}

std::uint32_t ReadDevicePropertyDWord(const DeviceInterfaceRecord& device, std::uint32_t property) {
  const auto it = device.properties.find(property);
  if (it == device.properties.end() || it->second.size() > 4) return 0;
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < it->second.size(); ++i)
    value |= std::uint32_t{it->second[i]} << (8 * i);
  return value;
}

void EnumUSBDevices(DeviceBus& bus, std::string_view interfaceClass, std::string_view nameFilter,
                    TUSBDevices& devices) {
  devices.clear();
  const auto present = bus.presentInterfaces(interfaceClass);
  if (!present) return;
  const std::string filter = upperCase(nameFilter);
  for (const auto& record : *present) {
    if (upperCase(ReadDeviceProperty(record, SPDRP_COMPATIBLEIDS)).find("USB") ==
        std::string::npos) {
      continue;
    }
    if (!filter.empty() &&
        upperCase(ReadDeviceProperty(record, SPDRP_DEVICEDESC)).find(filter) == std::string::npos) {
      continue;
    }
    devices.push_back(describe(record));
  }
}

std::unique_ptr<NoticeSubscription> RegisterUSBNotification(DeviceBus& bus,
                                                            std::string_view interfaceClass,
                                                            std::function<void()> notice) {
  return bus.subscribe(interfaceClass, std::move(notice));
}

}  // namespace vestrel::phonelink
