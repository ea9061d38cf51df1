#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Host.h"

namespace vestrel::app {

// vestrel [--virtual-phone[=DIR]] [--show] [--trace FILE] [--help] [--version]
struct ProgramOptions {
  platform::HostOptions host;
  bool show = false;  // start with the main window shown instead of in the notification area
  bool help = false;
  bool version = false;
};

inline constexpr const char* kUsage =
    "usage: vestrel [--virtual-phone[=DIR]] [--show] [--trace FILE] [--help] [--version]\n";

// A word the program does not know, or an option without its value.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// `arguments` without the program's name. Throws UsageError.
ProgramOptions ParseProgramOptions(const std::vector<std::string>& arguments);

}  // namespace vestrel::app
