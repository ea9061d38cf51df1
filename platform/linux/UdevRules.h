#pragma once

#include <string>

#include "platform/PhoneTable.h"

namespace vestrel::platform {

// The udev rules that let the logged-in user (uaccess) and the plugdev group open every phone
// of the table without root, and keep ModemManager off the phones' modems. One rule set per
// vendor:product, in table order; the tty rule only for AT personalities.
std::string UdevRulesFor(const PhoneTable& table);

}  // namespace vestrel::platform
