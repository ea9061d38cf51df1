#pragma once

#include <cstdint>
#include <string_view>

namespace vestrel::platform {

// Device-interface classes the phones show up in. P2K and flash mode share the phone driver's
// class and differ only in their device description.
inline constexpr std::string_view kPhoneDriverClass = "{4E1E1E15-52D7-11D4-852D-00105AA6F80B}";
inline constexpr std::string_view kUsbDeviceClass = "{A5DCBF10-6530-11D2-901F-00C04FB951ED}";
// Serial ports (Windows' own serial drivers among them). The Windows bus lists a phone modem
// found there in the USB device class, where the AT family looks.
inline constexpr std::string_view kSerialPortClass = "{86E0D1E0-8089-11D0-9CE4-08003E301F73}";

// Device registry property codes, as the device-setup functions number them.
enum DeviceProperty : std::uint32_t {
  SPDRP_DEVICEDESC = 0x00,
  SPDRP_HARDWAREID = 0x01,
  SPDRP_COMPATIBLEIDS = 0x02,
  SPDRP_SERVICE = 0x04,
  SPDRP_CLASS = 0x07,
  SPDRP_CLASSGUID = 0x08,
  SPDRP_DRIVER = 0x09,
  SPDRP_CONFIGFLAGS = 0x0A,
  SPDRP_MFG = 0x0B,
  SPDRP_FRIENDLYNAME = 0x0C,
  SPDRP_LOCATION_INFORMATION = 0x0D,
  SPDRP_PHYSICAL_DEVICE_OBJECT_NAME = 0x0E,
  SPDRP_CAPABILITIES = 0x0F,
  SPDRP_UI_NUMBER = 0x10,
  SPDRP_UPPERFILTERS = 0x11,
  SPDRP_LOWERFILTERS = 0x12,
  SPDRP_BUSTYPEGUID = 0x13,
  SPDRP_LEGACYBUSTYPE = 0x14,
  SPDRP_BUSNUMBER = 0x15,
  SPDRP_ENUMERATOR_NAME = 0x16,
  SPDRP_SECURITY = 0x17,
  SPDRP_DEVTYPE = 0x19,
  SPDRP_EXCLUSIVE = 0x1A,
  SPDRP_CHARACTERISTICS = 0x1B,
  SPDRP_ADDRESS = 0x1C,
  SPDRP_PROPERTY_1E = 0x1E,
};

}  // namespace vestrel::platform
