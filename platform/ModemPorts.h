#pragma once

// A phone in AT mode whose modem Windows gave to its own serial driver (usbser.sys, when the
// maker's modem driver is not installed) shows up as a serial port, not as the USB modem the AT
// family looks for. The Windows bus gathers what it sees of each port; which ports are phone
// modems and the records they become are decided here, in plain code that every build tests.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DeviceBus.h"
#include "platform/PhoneTable.h"

namespace vestrel::platform {

// The numbers of a USB device ID.
struct UsbIdentity {
  std::uint16_t vendor = 0;
  std::uint16_t product = 0;
  // "&MI_xx": the interface of one function of a composite device; empty for a whole device.
  std::optional<std::uint8_t> interfaceNumber;
};

// A USB hardware ID or device instance ID taken apart, without regard to case:
// "USB\VID_22B8&PID_3802&REV_0001&MI_00", "USB\VID_22B8&PID_3802\5&2A3C&0&2". nullopt for
// another bus's ID or one whose numbers are not 4 (vendor, product) and 2 (interface) hex digits.
std::optional<UsbIdentity> ParseUsbDeviceId(std::string_view id);

// One device node: its device instance and its device instance ID.
struct DeviceNode {
  std::uint32_t instance = 0;
  std::string id;
};

// One present serial port as the OS lists it.
struct SerialPortSeen {
  DeviceInterfaceRecord record;     // the port's interface, instance and properties
  std::string portName;             // "COM5"
  std::vector<DeviceNode> lineage;  // the port's own node, then its parents, nearest first
};

// The ports of `ports` that `table` names as AT modems, as records of the USB device class that
// the AT family takes: the table's modem description, "\\.\COMn" as device path, the model and
// the port name as friendly name, the port name as location when the port has none; the port's
// own device instance and other properties. A port is judged by the first USB ID of its
// lineage; one bound to a whole device counts as that device's interface 0. Left out: a port
// whose name is not letters and digits, and a port one of whose nodes is among `usbDevices`
// with the modem's description already (the maker's modem driver lists it there itself).
std::vector<DeviceInterfaceRecord> ModemPortRecords(
    const std::vector<SerialPortSeen>& ports, const std::vector<DeviceInterfaceRecord>& usbDevices,
    const PhoneTable& table);

}  // namespace vestrel::platform
