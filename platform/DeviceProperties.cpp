#include "platform/DeviceProperties.h"

#include <algorithm>

namespace vestrel::platform {

PropertyBytes TextProperty(std::string_view text) {
  PropertyBytes bytes(text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

PropertyBytes MultiTextProperty(std::initializer_list<std::string_view> texts) {
  PropertyBytes bytes;
  for (const auto text : texts) {
    bytes.insert(bytes.end(), text.begin(), text.end());
    bytes.push_back(0);
  }
  bytes.push_back(0);
  return bytes;
}

PropertyBytes NumberProperty(std::uint32_t value) {
  return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
          static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

std::string FirstTextOf(const DeviceInterfaceRecord& record, std::uint32_t property) {
  const auto found = record.properties.find(property);
  if (found == record.properties.end()) return {};
  const auto& bytes = found->second;
  return std::string(bytes.begin(), std::find(bytes.begin(), bytes.end(), 0));
}

}  // namespace vestrel::platform
