#include "platform/linux/PhoneRecords.h"

#include <charconv>
#include <cstdio>

#include "platform/DeviceClasses.h"
#include "platform/DeviceProperties.h"

namespace vestrel::platform {

namespace {

template <class... Numbers>
std::string format(const char* pattern, Numbers... numbers) {
  char text[80];
  std::snprintf(text, sizeof text, pattern, static_cast<unsigned>(numbers)...);
  return text;
}

DeviceInterfaceRecord recordOf(const UsbDeviceInfo& device, const UsbInterfaceInfo& interface,
                               const PhoneKind& kind, std::string devicePath) {
  const std::string ids =
      format("USB\\VID_%04X&PID_%04X&MI_%02X", device.vendor, device.product, interface.number);
  const std::string idsWithRevision =
      format("USB\\VID_%04X&PID_%04X&REV_%04X&MI_%02X", device.vendor, device.product,
             device.release, interface.number);
  const std::string usbClass =
      format("USB\\Class_%02x&SubClass_%02x&Prot_%02x", interface.interfaceClass,
             interface.subClass, interface.protocol);
  const std::string classOnly = format("USB\\Class_%02x", interface.interfaceClass);
  const std::string classSub =
      format("USB\\Class_%02x&SubClass_%02x", interface.interfaceClass, interface.subClass);

  DeviceInterfaceRecord record;
  record.devicePath = std::move(devicePath);
  auto& p = record.properties;
  p[SPDRP_DEVICEDESC] = TextProperty(kind.description);
  p[SPDRP_HARDWAREID] = MultiTextProperty({idsWithRevision, ids});
  p[SPDRP_COMPATIBLEIDS] = MultiTextProperty({usbClass, classSub, classOnly});
  p[SPDRP_CLASS] = TextProperty(kind.family == PhoneFamily::AT ? "Modem" : "USB");
  p[SPDRP_MFG] = TextProperty(device.manufacturer);
  p[SPDRP_FRIENDLYNAME] = TextProperty(kind.model.empty() ? device.productName : kind.model);
  p[SPDRP_LOCATION_INFORMATION] = TextProperty(device.portPath);
  p[SPDRP_PHYSICAL_DEVICE_OBJECT_NAME] = TextProperty(device.syspath);
  p[SPDRP_SERVICE] = TextProperty(interface.driver);
  p[SPDRP_ENUMERATOR_NAME] = TextProperty("USB");
  p[SPDRP_BUSNUMBER] = NumberProperty(device.busNumber);
  return record;
}

}  // namespace

std::vector<PhoneInterface> PhoneInterfacesOf(const std::vector<UsbDeviceInfo>& devices,
                                              const PhoneTable& table) {
  std::vector<PhoneInterface> found;
  for (const auto& device : devices) {
    for (const auto& interface : device.interfaces) {
      const auto kind =
          table.lookup(device.vendor, device.product,
                       {interface.number, interface.interfaceClass, interface.subClass,
                        interface.name, !interface.ttyNode.empty()});
      if (!kind) continue;
      if (kind->family == PhoneFamily::AT) {
        if (interface.ttyNode.empty()) continue;
        found.push_back({std::string(kUsbDeviceClass), device.devnode + "#" + interface.ttyNode,
                         recordOf(device, interface, *kind, interface.ttyNode)});
        continue;
      }
      std::string path = device.devnode + format("#VID_%04X&PID_%04X&MI_%02X", device.vendor,
                                                 device.product, interface.number);
      found.push_back(
          {std::string(kPhoneDriverClass), path, recordOf(device, interface, *kind, path)});
    }
  }
  return found;
}

std::optional<DriverPath> ParseDriverPath(std::string_view devicePath) {
  const auto hash = devicePath.find('#');
  const auto marker = devicePath.find("&MI_");
  if (hash == std::string_view::npos || marker == std::string_view::npos || marker < hash) {
    return std::nullopt;
  }
  const auto digits = devicePath.substr(marker + 4, 2);
  unsigned number = 0;
  const auto [end, error] =
      std::from_chars(digits.data(), digits.data() + digits.size(), number, 16);
  if (digits.size() != 2 || error != std::errc() || end != digits.data() + 2) return std::nullopt;
  return DriverPath{std::string(devicePath.substr(0, hash)), static_cast<std::uint8_t>(number)};
}

}  // namespace vestrel::platform
