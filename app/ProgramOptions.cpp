#include "app/ProgramOptions.h"

namespace vestrel::app {

ProgramOptions ParseProgramOptions(const std::vector<std::string>& arguments) {
  ProgramOptions options;
  for (std::size_t i = 0; i < arguments.size();) {
    std::size_t taken = 0;
    try {
      taken = platform::TakeSharedOption(arguments, i, options);
    } catch (const platform::OptionError& e) {
      throw UsageError(e.what());
    }
    if (taken == 0 && arguments[i] == "--show") {
      options.show = true;
      taken = 1;
    }
    if (taken == 0) throw UsageError("unknown argument: " + arguments[i]);
    i += taken;
  }
  return options;
}

}  // namespace vestrel::app
