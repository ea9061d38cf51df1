#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct udev;

namespace vestrel::platform {

// One interface of a USB device as sysfs shows it.
struct UsbInterfaceInfo {
  std::uint8_t number = 0;
  std::uint8_t interfaceClass = 0;
  std::uint8_t subClass = 0;
  std::uint8_t protocol = 0;
  std::string driver;   // the kernel driver bound to it, empty when none
  std::string ttyNode;  // the device node of a tty below it (a cdc_acm modem), if any
  std::string name;     // its own string (sysfs "interface", the iInterface descriptor)
};

// One USB device (not a hub's root) with its interfaces, in the order of their numbers.
struct UsbDeviceInfo {
  std::string syspath;
  std::string portPath;  // the sysfs name, e.g. "1-1.2": where it is plugged
  std::string devnode;   // its usbfs node, e.g. "/dev/bus/usb/001/007"
  std::uint16_t vendor = 0;
  std::uint16_t product = 0;
  std::uint16_t release = 0;  // bcdDevice
  std::uint32_t busNumber = 0;
  std::string manufacturer;
  std::string productName;
  std::vector<UsbInterfaceInfo> interfaces;
};

// Reads the USB devices and their interfaces, with the ttys below them, from sysfs through
// libudev. Devices whose attributes cannot be read are left out.
std::vector<UsbDeviceInfo> ScanUsbDevices(udev* context);

}  // namespace vestrel::platform
