#include "platform/ModemPorts.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>

#include "platform/DeviceClasses.h"
#include "platform/DeviceProperties.h"

namespace vestrel::platform {

namespace {

std::string UpperCase(std::string_view text) {
  std::string upper(text);
  for (auto& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

template <class Number>
std::optional<Number> HexDigits(std::string_view text, std::size_t digits) {
  unsigned value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (text.size() != digits || error != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return static_cast<Number>(value);
}

bool IsPlainName(std::string_view name) {
  return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0;
  });
}

// The first node of the lineage with a USB ID, and that ID.
std::optional<UsbIdentity> UsbDeviceOf(const SerialPortSeen& port) {
  for (const auto& node : port.lineage) {
    if (auto identity = ParseUsbDeviceId(node.id)) return identity;
  }
  return std::nullopt;
}

bool ListedAsModem(const SerialPortSeen& port, const std::vector<DeviceInterfaceRecord>& usbDevices,
                   const std::string& description) {
  const std::string wanted = UpperCase(description);
  return std::any_of(usbDevices.begin(), usbDevices.end(), [&](const auto& device) {
    return UpperCase(FirstTextOf(device, SPDRP_DEVICEDESC)).find(wanted) != std::string::npos &&
           std::any_of(port.lineage.begin(), port.lineage.end(), [&](const DeviceNode& node) {
             return node.instance == device.deviceInstance;
           });
  });
}

DeviceInterfaceRecord ModemRecord(const SerialPortSeen& port, const UsbIdentity& usb,
                                  const PhoneKind& kind) {
  DeviceInterfaceRecord record = port.record;
  record.devicePath = "\\\\.\\" + port.portName;
  auto& p = record.properties;
  p[SPDRP_DEVICEDESC] = TextProperty(kind.description);
  const std::string named = kind.model.empty() ? FirstTextOf(port.record, SPDRP_FRIENDLYNAME)
                                               : kind.model + " (" + port.portName + ")";
  p[SPDRP_FRIENDLYNAME] = TextProperty(named);
  if (FirstTextOf(port.record, SPDRP_LOCATION_INFORMATION).empty()) {
    p[SPDRP_LOCATION_INFORMATION] = TextProperty(port.portName);
  }
  // The AT family takes only devices that say they are on USB; this one is, by its lineage.
  if (UpperCase(FirstTextOf(port.record, SPDRP_COMPATIBLEIDS)).find("USB") == std::string::npos) {
    char id[32];
    std::snprintf(id, sizeof id, "USB\\VID_%04X&PID_%04X", usb.vendor, usb.product);
    p[SPDRP_COMPATIBLEIDS] = MultiTextProperty({id});
  }
  return record;
}

}  // namespace

std::optional<UsbIdentity> ParseUsbDeviceId(std::string_view id) {
  const std::string upper = UpperCase(id);
  std::string_view rest(upper);
  if (rest.substr(0, 4) != "USB\\") return std::nullopt;
  rest.remove_prefix(4);
  rest = rest.substr(0, rest.find('\\'));
  std::optional<std::uint16_t> vendor, product;
  UsbIdentity identity;
  while (!rest.empty()) {
    const auto end = std::min(rest.find('&'), rest.size());
    const std::string_view field = rest.substr(0, end);
    rest.remove_prefix(std::min(end + 1, rest.size()));
    if (field.substr(0, 4) == "VID_") {
      vendor = HexDigits<std::uint16_t>(field.substr(4), 4);
      if (!vendor) return std::nullopt;
    } else if (field.substr(0, 4) == "PID_") {
      product = HexDigits<std::uint16_t>(field.substr(4), 4);
      if (!product) return std::nullopt;
    } else if (field.substr(0, 3) == "MI_") {
      identity.interfaceNumber = HexDigits<std::uint8_t>(field.substr(3), 2);
      if (!identity.interfaceNumber) return std::nullopt;
    }
  }
  if (!vendor || !product) return std::nullopt;
  identity.vendor = *vendor;
  identity.product = *product;
  return identity;
}

std::vector<DeviceInterfaceRecord> ModemPortRecords(
    const std::vector<SerialPortSeen>& ports, const std::vector<DeviceInterfaceRecord>& usbDevices,
    const PhoneTable& table) {
  std::vector<DeviceInterfaceRecord> modems;
  for (const auto& port : ports) {
    if (!IsPlainName(port.portName)) continue;
    const auto usb = UsbDeviceOf(port);
    if (!usb) continue;
    InterfaceSeen modem;
    modem.number = usb->interfaceNumber.value_or(0);
    modem.holdsTty = true;
    const auto kind = table.lookup(usb->vendor, usb->product, modem);
    if (!kind || kind->family != PhoneFamily::AT) continue;
    if (ListedAsModem(port, usbDevices, kind->description)) continue;
    modems.push_back(ModemRecord(port, *usb, *kind));
  }
  return modems;
}

}  // namespace vestrel::platform
