#include "platform/SharedOptions.h"

#include "platform/HostFileSystem.h"

namespace vestrel::platform {
namespace {

// Windows refuses to make a name of text that is not UTF-8.
std::filesystem::path OptionPath(const char* option, std::string_view text) {
  try {
    return PathFromUtf8(text);
  } catch (const std::filesystem::filesystem_error&) {
    throw OptionError(std::string(option) + " is not a name in UTF-8");
  }
}

}  // namespace

std::size_t TakeSharedOption(const std::vector<std::string>& words, std::size_t at,
                             SharedOptions& options) {
  const std::string& word = words.at(at);
  const std::string phoneWithFolder = "--virtual-phone=";
  const std::string traceWithFile = "--trace=";
  if (word == "--virtual-phone") {
    options.host.virtualPhone = true;
    return 1;
  }
  if (word.starts_with(phoneWithFolder)) {
    if (word.size() == phoneWithFolder.size()) throw OptionError("--virtual-phone= needs a folder");
    options.host.virtualPhone = true;
    options.host.phoneFolder = OptionPath("--virtual-phone", word.substr(phoneWithFolder.size()));
    return 1;
  }
  if (word == "--trace") {
    if (at + 1 >= words.size() || words[at + 1].empty()) throw OptionError("--trace needs a file");
    options.host.trace = OptionPath("--trace", words[at + 1]);
    return 2;
  }
  if (word.starts_with(traceWithFile)) {
    if (word.size() == traceWithFile.size()) throw OptionError("--trace= needs a file");
    options.host.trace = OptionPath("--trace", word.substr(traceWithFile.size()));
    return 1;
  }
  if (word == "--help" || word == "-h") {
    options.help = true;
    return 1;
  }
  if (word == "--version") {
    options.version = true;
    return 1;
  }
  return 0;
}

}  // namespace vestrel::platform
