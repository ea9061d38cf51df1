#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/SharedOptions.h"

namespace vestrel::cli {

// How the tool ends: 0 done, 1 the phone operation failed, 2 a usage error, 3 no phone in the
// needed mode.
enum ExitCode { kDone = 0, kFailed = 1, kUsage = 2, kNoPhone = 3 };

// A usage error: its message is one line naming the bad word.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The options the program takes too (platform::SharedOptions), -v and -q.
struct GlobalOptions : platform::SharedOptions {
  bool verbose = false;
  bool quiet = false;
};

struct Invocation {
  GlobalOptions options;
  std::string command;             // empty with --help alone
  std::vector<std::string> words;  // the command's own arguments and options, in order
};

// Reads "[--virtual-phone[=DIR]] [--trace FILE] [-v] [-q] [--] COMMAND [ARGS]"; every option
// that takes a value also takes it as "--option=value". Throws UsageError.
Invocation ParseCommandLine(const std::vector<std::string>& argv);

// A command's own words split into options ("--name value" or "--name") and operands.
class CommandWords {
 public:
  // `valued` names the options that take a value ("--name value" or "--name=value"), `flags`
  // those that do not; anything else starting with "--" is a usage error, as is an operand
  // count outside min..max. After "--" every word is an operand; "-" alone is one too.
  CommandWords(const std::vector<std::string>& words, const std::vector<std::string>& valued,
               const std::vector<std::string>& flags, std::size_t minOperands,
               std::size_t maxOperands);

  std::optional<std::string> value(const std::string& option) const;
  bool flag(const std::string& option) const;
  const std::vector<std::string>& operands() const { return operands_; }
  bool help() const { return help_; }

 private:
  std::vector<std::pair<std::string, std::string>> values_;
  std::vector<std::string> flags_;
  std::vector<std::string> operands_;
  bool help_ = false;
};

}  // namespace vestrel::cli
