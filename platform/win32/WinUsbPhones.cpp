#include "platform/win32/WinUsbPhones.h"

#include <cctype>
#include <charconv>
#include <optional>
#include <set>

#include "platform/DeviceClasses.h"
#include "platform/DeviceProperties.h"
#include "platform/ModemPorts.h"

namespace vestrel::platform {

namespace {

// The two hex digits after `key` ("\\CLASS_", "&SUBCLASS_") in an upper-case compatible ID;
// nullopt when they are not there.
std::optional<std::uint8_t> HexAfter(std::string_view id, std::string_view key) {
  const auto at = id.find(key);
  if (at == std::string_view::npos || at + key.size() + 2 > id.size()) return std::nullopt;
  unsigned value = 0;
  const char* first = id.data() + at + key.size();
  const auto [end, error] = std::from_chars(first, first + 2, value, 16);
  if (error != std::errc() || end != first + 2) return std::nullopt;
  return static_cast<std::uint8_t>(value);
}

std::string UpperCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

std::vector<DeviceInterfaceRecord> WinUsbPhoneRecords(
    const std::vector<DeviceInterfaceRecord>& interfaces, const PhoneTable& table) {
  std::vector<DeviceInterfaceRecord> phones;
  std::set<std::uint32_t> seen;
  for (const auto& record : interfaces) {
    const auto id = ParseUsbDeviceId(FirstTextOf(record, SPDRP_HARDWAREID));
    if (!id) continue;
    const std::string compatible = UpperCase(FirstTextOf(record, SPDRP_COMPATIBLEIDS));
    InterfaceSeen shown;
    shown.number = id->interfaceNumber.value_or(0);
    shown.interfaceClass = HexAfter(compatible, "\\CLASS_").value_or(0);
    shown.subClass = HexAfter(compatible, "&SUBCLASS_").value_or(0);
    const auto kind = table.lookup(id->vendor, id->product, shown);
    if (!kind || kind->family == PhoneFamily::AT) continue;
    if (!seen.insert(record.deviceInstance).second) continue;
    DeviceInterfaceRecord phone = record;
    phone.properties[SPDRP_DEVICEDESC] = TextProperty(kind->description);
    if (!kind->model.empty()) phone.properties[SPDRP_FRIENDLYNAME] = TextProperty(kind->model);
    phone.properties[SPDRP_SERVICE] = TextProperty("WinUSB");
    phones.push_back(std::move(phone));
  }
  return phones;
}

}  // namespace vestrel::platform
