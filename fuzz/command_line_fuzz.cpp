// Whatever words a user types, reading the command line must end in an invocation or a usage
// error, never a crash. The input is the words, separated by zero bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/Commands.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vestrel::cli;
  std::vector<std::string> argv{"vestrel-cli"};
  std::string word;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      argv.push_back(word);
      word.clear();
    } else {
      word.push_back(static_cast<char>(data[i]));
    }
  }
  argv.push_back(word);

  try {
    const Invocation invocation = ParseCommandLine(argv);
    const Command* command = FindCommand(invocation.command);
    if (!command) {
      ClosestCommand(invocation.command);
      return 0;
    }
    const CommandWords words(invocation.words, command->valued, command->flags,
                             command->minOperands, command->maxOperands);
    for (const auto& option : command->valued) words.value(option);
  } catch (const UsageError&) {
  }
  return 0;
}
