#pragma once

#include <string>

#include "platform/OsError.h"

namespace vestrel::platform {

// libusb's reason: "LIBUSB_ERROR_PIPE (Pipe error)".
OsError LibusbError(int libusbCode);

// The reason an open of device node `node` failed, with what the user can do about it: for no
// permission the udev rules file and the commands that load it, for a busy device the
// processes that hold it open and, while ModemManager runs, how to keep it off the phone.
OsError OpenFailure(int errnoValue, const std::string& node);
OsError ClaimFailure(int libusbCode, const std::string& node);

// "ModemManager (pid 812)" for every process that has `node` open, comma separated; empty when
// none can be seen (another user's processes are hidden from us).
std::string ProcessesHolding(const std::string& node);

// The pids of the processes whose name (/proc/<pid>/comm, readable by anyone) is `name`, comma
// separated; empty when there is none.
std::string ProcessesNamed(const std::string& name);

// The name the udev rules file is installed under.
inline constexpr const char* kUdevRulesName = "70-vestrel-phones.rules";

}  // namespace vestrel::platform
