#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/SharedOptions.h"

namespace vestrel::app {

// vestrel [--virtual-phone[=DIR]] [--show] [--trace FILE] [--help] [--version]: the options
// vestrel-cli takes too (platform::SharedOptions) and the program's own --show.
struct ProgramOptions : platform::SharedOptions {
  bool show = false;  // start with the main window shown instead of in the notification area
};

inline constexpr const char* kUsage =
    "usage: vestrel [--virtual-phone[=DIR]] [--show] [--trace FILE] [--help] [--version]\n";

// A word the program does not know, or an option without its value.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// `arguments` without the program's name, as UTF-8 (platform::CommandLineArguments). Throws
// UsageError.
ProgramOptions ParseProgramOptions(const std::vector<std::string>& arguments);

}  // namespace vestrel::app
