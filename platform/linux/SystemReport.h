#pragma once

#include <string>

#include "platform/PhoneTable.h"

namespace vestrel::platform {

// What a report about a phone needs to know of this Linux host, as text: every USB device of
// the phone maker (22b8) with its descriptors as sysfs holds them, the driver bound to each
// interface, owner and permissions of its usbfs node and ttys and whether this user may open
// them, the marks the udev rules leave on it, whether the rules file is installed and matches
// `table`, and whether ModemManager runs. Blocks for the reads of sysfs and /proc only; a fact
// that cannot be read is named as such in the text, never left out. Called by vestrel-cli's
// report through the host.
std::string UsbSystemReport(const PhoneTable& table);

}  // namespace vestrel::platform
