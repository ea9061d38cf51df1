#include "platform/linux/UsbTopology.h"

#include <libudev.h>

#include <algorithm>
#include <charconv>
#include <map>
#include <memory>
#include <string_view>

namespace vestrel::platform {

namespace {

struct UdevDeviceUnref {
  void operator()(udev_device* device) const { udev_device_unref(device); }
};
struct UdevEnumerateUnref {
  void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
};
using DevicePtr = std::unique_ptr<udev_device, UdevDeviceUnref>;

std::string text(const char* value) { return value ? value : ""; }

template <class T>
bool hexAttribute(udev_device* device, const char* name, T& out) {
  const std::string value = text(udev_device_get_sysattr_value(device, name));
  unsigned long number = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number, 16);
  if (value.empty() || error != std::errc() || number > static_cast<T>(-1)) return false;
  out = static_cast<T>(number);
  return end != nullptr;
}

// Calls `visit` for every device of `subsystem`.
template <class Visit>
void forEachDevice(udev* context, const char* subsystem, Visit visit) {
  std::unique_ptr<udev_enumerate, UdevEnumerateUnref> e(udev_enumerate_new(context));
  if (!e) return;
  udev_enumerate_add_match_subsystem(e.get(), subsystem);
  udev_enumerate_scan_devices(e.get());
  udev_list_entry* entry = nullptr;
  udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e.get())) {
    DevicePtr device(udev_device_new_from_syspath(context, udev_list_entry_get_name(entry)));
    if (device) visit(device.get());
  }
}

}  // namespace

std::vector<UsbDeviceInfo> ScanUsbDevices(udev* context) {
  std::vector<UsbDeviceInfo> devices;
  std::map<std::string, UsbInterfaceInfo> interfaces;  // by the interface's syspath
  std::map<std::string, std::string> interfaceOwner;   // interface syspath -> device syspath
  std::map<std::string, std::string> ttys;             // interface syspath -> tty node

  forEachDevice(context, "tty", [&](udev_device* tty) {
    udev_device* parent =
        udev_device_get_parent_with_subsystem_devtype(tty, "usb", "usb_interface");
    const char* node = udev_device_get_devnode(tty);
    if (parent && node) ttys[text(udev_device_get_syspath(parent))] = node;
  });

  forEachDevice(context, "usb", [&](udev_device* device) {
    const std::string type = text(udev_device_get_devtype(device));
    const std::string syspath = text(udev_device_get_syspath(device));
    if (type == "usb_interface") {
      UsbInterfaceInfo info;
      udev_device* owner =
          udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_device");
      if (!owner || !hexAttribute(device, "bInterfaceNumber", info.number) ||
          !hexAttribute(device, "bInterfaceClass", info.interfaceClass)) {
        return;
      }
      hexAttribute(device, "bInterfaceSubClass", info.subClass);
      hexAttribute(device, "bInterfaceProtocol", info.protocol);
      info.name = text(udev_device_get_sysattr_value(device, "interface"));
      info.driver = text(udev_device_get_driver(device));
      interfaces[syspath] = info;
      interfaceOwner[syspath] = text(udev_device_get_syspath(owner));
      return;
    }
    if (type != "usb_device") return;
    UsbDeviceInfo info;
    info.syspath = syspath;
    info.portPath = text(udev_device_get_sysname(device));
    info.devnode = text(udev_device_get_devnode(device));
    if (info.devnode.empty() || !hexAttribute(device, "idVendor", info.vendor) ||
        !hexAttribute(device, "idProduct", info.product)) {
      return;
    }
    hexAttribute(device, "bcdDevice", info.release);
    const std::string bus = text(udev_device_get_sysattr_value(device, "busnum"));
    std::from_chars(bus.data(), bus.data() + bus.size(), info.busNumber);
    info.manufacturer = text(udev_device_get_sysattr_value(device, "manufacturer"));
    info.productName = text(udev_device_get_sysattr_value(device, "product"));
    devices.push_back(std::move(info));
  });

  for (auto& device : devices) {
    for (const auto& [path, owner] : interfaceOwner) {
      if (owner != device.syspath) continue;
      UsbInterfaceInfo info = interfaces[path];
      if (const auto tty = ttys.find(path); tty != ttys.end()) info.ttyNode = tty->second;
      device.interfaces.push_back(std::move(info));
    }
    // By number: sysfs names sort "1-1:1.10" before "1-1:1.2".
    std::sort(device.interfaces.begin(), device.interfaces.end(),
              [](const auto& a, const auto& b) { return a.number < b.number; });
  }
  return devices;
}

}  // namespace vestrel::platform
