#include "platform/linux/SystemReport.h"

#include <grp.h>
#include <libudev.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <vector>

#include "platform/linux/LinuxErrors.h"
#include "platform/linux/UdevRules.h"
#include "platform/linux/UsbTopology.h"

namespace vestrel::platform {

namespace {

constexpr std::uint16_t kPhoneVendor = 0x22b8;

// Where udev looks for rules files, the administrator's first.
constexpr std::array<const char*, 4> kRulesFolders = {"/etc/udev/rules.d", "/run/udev/rules.d",
                                                      "/usr/lib/udev/rules.d", "/lib/udev/rules.d"};

struct UdevUnref {
  void operator()(udev* context) const { udev_unref(context); }
};
struct UdevDeviceUnref {
  void operator()(udev_device* device) const { udev_device_unref(device); }
};

std::string hex4(std::uint16_t value) {
  char text[5];
  std::snprintf(text, sizeof text, "%04x", value);
  return text;
}

std::string hex2(unsigned value) {
  char text[3];
  std::snprintf(text, sizeof text, "%02x", value & 0xFF);
  return text;
}

std::optional<std::string> fileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string descriptorKind(std::uint8_t type) {
  switch (type) {
    case 0x01:
      return "device";
    case 0x02:
      return "configuration";
    case 0x04:
      return "interface";
    case 0x05:
      return "endpoint";
    case 0x0B:
      return "interface association";
    case 0x24:
      return "class-specific interface";
    case 0x25:
      return "class-specific endpoint";
    default:
      return "type 0x" + hex2(type);
  }
}

// The descriptors sysfs keeps for the device (device, then each configuration), one per line.
void describeDescriptors(std::ostream& out, const std::string& syspath) {
  const auto blob = fileText(syspath + "/descriptors");
  if (!blob) {
    out << "    descriptors: cannot be read from " << syspath
        << "/descriptors: " << std::strerror(errno) << '\n';
    return;
  }
  out << "    descriptors (" << blob->size() << " bytes from sysfs):\n";
  std::size_t at = 0;
  while (at < blob->size()) {
    const auto length = static_cast<std::uint8_t>((*blob)[at]);
    if (length < 2 || at + length > blob->size()) {
      out << "      (" << blob->size() - at << " bytes that are no whole descriptor)\n";
      return;
    }
    out << "      " << descriptorKind(static_cast<std::uint8_t>((*blob)[at + 1])) << ':';
    for (std::size_t i = 0; i < length; ++i) {
      out << ' ' << hex2(static_cast<std::uint8_t>((*blob)[at + i]));
    }
    out << '\n';
    at += length;
  }
}

std::string userName(uid_t uid) {
  const passwd* entry = getpwuid(uid);
  return entry ? entry->pw_name : std::to_string(uid);
}

std::string groupName(gid_t gid) {
  const group* entry = getgrgid(gid);
  return entry ? entry->gr_name : std::to_string(gid);
}

// "crw-rw-r-- root:plugdev, this user may read and write: no".
std::string nodeAccess(const std::string& node) {
  struct stat info {};
  if (::stat(node.c_str(), &info) != 0) {
    return std::string("cannot be looked at: ") + std::strerror(errno);
  }
  std::string mode = S_ISCHR(info.st_mode) ? "c" : S_ISREG(info.st_mode) ? "-" : "?";
  constexpr const char* kLetters = "rwxrwxrwx";
  for (int bit = 0; bit < 9; ++bit) {
    mode += (info.st_mode & (0400 >> bit)) ? kLetters[bit] : '-';
  }
  const bool usable = ::access(node.c_str(), R_OK | W_OK) == 0;
  return mode + ' ' + userName(info.st_uid) + ':' + groupName(info.st_gid) +
         ", this user may read and write: " + (usable ? "yes" : "no");
}

// What the rules leave on a device once udev applied them.
std::string udevMarks(udev* context, const std::string& syspath) {
  std::unique_ptr<udev_device, UdevDeviceUnref> device(
      udev_device_new_from_syspath(context, syspath.c_str()));
  if (!device) return "cannot be read";
  const char* ignore = udev_device_get_property_value(device.get(), "ID_MM_DEVICE_IGNORE");
  const bool tagged = udev_device_has_tag(device.get(), "uaccess");
  const bool applied = tagged && ignore && std::string(ignore) == "1";
  return std::string("uaccess tag ") + (tagged ? "set" : "not set") + ", ID_MM_DEVICE_IGNORE " +
         (ignore ? ignore : "not set") +
         (applied ? " (the rules are loaded and applied)"
                  : " (no rules applied: not installed, not loaded, or the phone came before "
                    "them; sudo udevadm control --reload-rules && sudo udevadm trigger)");
}

void describeDevice(std::ostream& out, udev* context, const UsbDeviceInfo& device) {
  out << "device " << device.portPath << ": " << hex4(device.vendor) << ':' << hex4(device.product)
      << " release " << hex4(device.release) << " \"" << device.manufacturer << "\" \""
      << device.productName << "\"\n"
      << "    sysfs: " << device.syspath << '\n'
      << "    node: " << device.devnode << ' ' << nodeAccess(device.devnode) << '\n'
      << "    udev marks: " << udevMarks(context, device.syspath) << '\n';
  for (const auto& interface : device.interfaces) {
    out << "    interface " << hex2(interface.number) << ' ' << hex2(interface.interfaceClass)
        << '/' << hex2(interface.subClass) << '/' << hex2(interface.protocol) << " \""
        << interface.name << "\" driver: " << (interface.driver.empty() ? "none" : interface.driver)
        << '\n';
    if (!interface.ttyNode.empty()) {
      out << "      tty: " << interface.ttyNode << ' ' << nodeAccess(interface.ttyNode) << '\n';
    }
  }
  describeDescriptors(out, device.syspath);
}

void describeRules(std::ostream& out, const PhoneTable& table) {
  const std::string wanted = UdevRulesFor(table);
  bool found = false;
  for (const char* folder : kRulesFolders) {
    const std::string path = std::string(folder) + '/' + kUdevRulesName;
    const auto text = fileText(path);
    if (!text) continue;
    found = true;
    out << "udev rules: " << path << " installed, "
        << (*text == wanted ? "the same as vestrel-udev-rules prints now"
                            : "not what vestrel-udev-rules prints now")
        << '\n';
  }
  if (!found) {
    out << "udev rules: " << kUdevRulesName << " installed in none of";
    for (const char* folder : kRulesFolders) out << ' ' << folder;
    out << '\n';
  }
}

}  // namespace

std::string UsbSystemReport(const PhoneTable& table) {
  std::ostringstream out;
  std::unique_ptr<udev, UdevUnref> context(udev_new());
  out << "USB devices of vendor " << hex4(kPhoneVendor) << ":\n";
  if (!context) {
    out << "  udev cannot be reached: " << std::strerror(errno) << '\n';
  } else {
    std::size_t phones = 0;
    for (const auto& device : ScanUsbDevices(context.get())) {
      if (device.vendor != kPhoneVendor) continue;
      describeDevice(out, context.get(), device);
      ++phones;
    }
    if (phones == 0) out << "  none\n";
  }
  describeRules(out, table);
  const std::string modemManager = ProcessesNamed("ModemManager");
  out << "ModemManager: "
      << (modemManager.empty() ? "not running" : "running (pid " + modemManager + ")") << '\n';
  return out.str();
}

}  // namespace vestrel::platform
