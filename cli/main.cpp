// vestrel-cli: the phone link from a terminal.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/Session.h"
#include "platform/Host.h"

using namespace vestrel;
using namespace vestrel::cli;

namespace {

constexpr const char* kSynopsis =
    "usage: vestrel-cli [--virtual-phone[=DIR]] [--trace FILE] [-v] COMMAND [ARGS]\n";

void PrintHelp() {
  std::printf("%s\n", kSynopsis);
  std::printf(
      "Options:\n"
      "  --virtual-phone[=DIR]  use the virtual phone (kept in DIR between runs)\n"
      "  --trace FILE           write the wire trace to FILE\n"
      "  -v                     print every debug line of the phone items to stderr\n\n"
      "Commands:\n");
  for (const auto& command : AllCommands()) {
    std::printf("  %-14s %s\n", command.name, command.summary);
  }
  std::printf(
      "\nExit status: 0 done, 1 the phone operation failed, 2 usage error, 3 no phone in the "
      "needed mode.\n");
}

int Run(const std::vector<std::string>& argv) {
  const Invocation invocation = ParseCommandLine(argv);
  if (invocation.command.empty()) {
    PrintHelp();
    return kDone;
  }
  const Command* command = FindCommand(invocation.command);
  if (!command) throw UsageError("unknown command: " + invocation.command);
  const CommandWords words(invocation.words, command->valued, command->flags,
                           command->minOperands, command->maxOperands);
  if (words.help() || invocation.options.help) {
    std::printf("usage: vestrel-cli [OPTIONS] %s\n%s\n", command->usage, command->summary);
    return kDone;
  }
  const GlobalOptions& options = invocation.options;
  const auto host =
      platform::OpenHost({options.virtualPhone, options.phoneFolder, options.trace});
  Session session(*host, options.verbose);
  try {
    return command->run(session, words);
  } catch (const OperationFailed& e) {
    const std::string& said = session.LastDebugLine();
    std::fprintf(stderr, "vestrel-cli: %s%s%s\n", e.what(), said.empty() ? "" : ": ",
                 said.c_str());
    return kFailed;
  }
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(std::vector<std::string>(argv, argv + argc));
  } catch (const UsageError& e) {
    std::fprintf(stderr, "vestrel-cli: %s\n%s", e.what(), kSynopsis);
    return kUsage;
  } catch (const NoPhone& e) {
    std::fprintf(stderr, "vestrel-cli: %s\n", e.what());
    return kNoPhone;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vestrel-cli: %s\n", e.what());
    return kFailed;
  }
}
