#include "platform/linux/UdevRules.h"

#include <cstdio>
#include <set>
#include <utility>

#include "platform/linux/LinuxErrors.h"

namespace vestrel::platform {

namespace {

std::string hex4(std::uint16_t value) {
  char text[5];
  std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(value));
  return text;
}

}  // namespace

std::string UdevRulesFor(const PhoneTable& table) {
  std::string rules = std::string("# ") + kUdevRulesName +
                      ": phones Vestrel talks to, made from its phone table by "
                      "vestrel-udev-rules.\n"
                      "# Sorts before 73-seat-late.rules, which turns the uaccess tag into an "
                      "ACL for the\n# logged-in user. Load with: sudo udevadm control "
                      "--reload-rules && sudo udevadm trigger\n\n";
  std::set<std::pair<std::uint16_t, std::uint16_t>> done;
  for (const auto& row : table.rows()) {
    if (!done.insert({row.vendor, row.product}).second) continue;
    const std::string ids = "ATTR{idVendor}==\"" + hex4(row.vendor) + "\", ATTR{idProduct}==\"" +
                            hex4(row.product) + "\"";
    const std::string parentIds = "ATTRS{idVendor}==\"" + hex4(row.vendor) +
                                  "\", ATTRS{idProduct}==\"" + hex4(row.product) + "\"";
    rules += "# " + std::string(FamilyName(row.family)) + ": " + row.model + "\n";
    rules += "SUBSYSTEM==\"usb\", ENV{DEVTYPE}==\"usb_device\", " + ids +
             ", MODE=\"0660\", GROUP=\"plugdev\", TAG+=\"uaccess\"\n";
    rules += "ACTION!=\"remove\", SUBSYSTEMS==\"usb\", " + parentIds +
             ", ENV{ID_MM_DEVICE_IGNORE}=\"1\"\n";
    if (row.family == PhoneFamily::AT) {
      rules += "SUBSYSTEM==\"tty\", " + parentIds +
               ", MODE=\"0660\", GROUP=\"plugdev\", TAG+=\"uaccess\"\n";
    }
  }
  return rules;
}

}  // namespace vestrel::platform
