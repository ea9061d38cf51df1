#include "app/ProgramOptions.h"

#include "platform/HostFileSystem.h"

namespace vestrel::app {

ProgramOptions ParseProgramOptions(const std::vector<std::string>& arguments) {
  ProgramOptions options;
  const std::string phoneWithFolder = "--virtual-phone=";
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& word = arguments[i];
    if (word == "--virtual-phone") {
      options.host.virtualPhone = true;
    } else if (word.starts_with(phoneWithFolder)) {
      if (word.size() == phoneWithFolder.size())
        throw UsageError("--virtual-phone= needs a folder");
      options.host.virtualPhone = true;
      options.host.phoneFolder = platform::PathFromUtf8(word.substr(phoneWithFolder.size()));
    } else if (word == "--trace") {
      if (i + 1 >= arguments.size() || arguments[i + 1].empty())
        throw UsageError("--trace needs a file");
      options.host.trace = platform::PathFromUtf8(arguments[++i]);
    } else if (word == "--show") {
      options.show = true;
    } else if (word == "--help" || word == "-h") {
      options.help = true;
    } else if (word == "--version") {
      options.version = true;
    } else {
      throw UsageError("unknown argument: " + word);
    }
  }
  return options;
}

}  // namespace vestrel::app
