#pragma once

// The options vestrel and vestrel-cli both take, read by one parser:
//   --virtual-phone[=DIR]  --trace FILE | --trace=FILE  --help | -h  --version
// Words come as UTF-8 (platform::CommandLineArguments); paths are made by PathFromUtf8, so a
// Windows name keeps its letters. Pure and non-blocking.

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Host.h"

namespace vestrel::platform {

struct SharedOptions {
  HostOptions host;
  bool help = false;
  bool version = false;
};

// A shared option without its value, or a path that is not UTF-8; the message names the option.
class OptionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads the shared option at words[at] (and its value, which may be the next word) into
// `options`: how many words it took, 0 when words[at] is no shared option. Throws OptionError.
std::size_t TakeSharedOption(const std::vector<std::string>& words, std::size_t at,
                             SharedOptions& options);

}  // namespace vestrel::platform
