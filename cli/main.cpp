// vestrel-cli: the phone link from a terminal.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/Session.h"
#include "generated/Version.h"
#include "platform/Console.h"
#include "platform/Host.h"

using namespace vestrel;
using namespace vestrel::cli;

namespace {

constexpr const char* kSynopsis =
    "usage: vestrel-cli [--virtual-phone[=DIR]] [--trace FILE] [-v] [-q] COMMAND [ARGS]\n";

void PrintHelp() {
  std::printf("%s\n", kSynopsis);
  std::printf(
      "Options:\n"
      "  --virtual-phone[=DIR]  use the virtual phone (kept in DIR between runs)\n"
      "  --trace FILE           write the wire trace to FILE\n"
      "  -v                     print every debug line of the phone items to stderr\n"
      "  -q                     quiet: no progress and no backup log, errors only\n"
      "  --version              print the version and exit\n\n"
      "--json after devices, info, drives, ls or models prints one JSON document instead;\n"
      "- for LOCAL in pull and push is standard output and standard input.\n\n"
      "Commands (vestrel-cli help COMMAND tells more):\n");
  for (const auto& command : AllCommands()) {
    std::printf("  %-14s %s\n", command.name, command.summary);
  }
  std::printf(
      "\nExit status: 0 done, 1 the phone operation failed, 2 usage error, 3 no phone in the "
      "needed mode.\n");
}

void PrintUsage(std::FILE* stream, const Command& command) {
  std::fprintf(stream, "usage: vestrel-cli [OPTIONS] %s\n", UsageOf(command).c_str());
}

// A usage error inside a command's own words: the message, then that command's usage.
struct CommandUsageError : UsageError {
  CommandUsageError(const UsageError& error, const Command& command)
      : UsageError(error.what()), command(command) {}
  const Command& command;
};

const Command& CommandNamed(const std::string& name) {
  if (const Command* command = FindCommand(name)) return *command;
  const std::string closest = ClosestCommand(name);
  throw UsageError("unknown command: " + name +
                   (closest.empty() ? "" : " (did you mean " + closest + "?)"));
}

int Run(const std::vector<std::string>& argv) {
  const Invocation invocation = ParseCommandLine(argv);
  const GlobalOptions& options = invocation.options;
  if (options.version) {
    std::printf("vestrel-cli %s\n", kVersion);
    return kDone;
  }
  if (invocation.command.empty() || (invocation.command == "help" && invocation.words.empty())) {
    PrintHelp();
    return kDone;
  }
  const bool helpCommand = invocation.command == "help";
  if (helpCommand && invocation.words.size() > 1) {
    throw UsageError("help takes one command");
  }
  const Command& command = CommandNamed(helpCommand ? invocation.words[0] : invocation.command);
  const auto words = [&] {
    try {
      return CommandWords(helpCommand ? std::vector<std::string>{"--help"} : invocation.words,
                          command.valued, command.flags, command.minOperands, command.maxOperands);
    } catch (const UsageError& e) {
      throw CommandUsageError(e, command);
    }
  }();
  if (words.help() || options.help) {
    PrintUsage(stdout, command);
    std::printf("%s\n", command.summary);
    return kDone;
  }
  const auto host = platform::OpenHost(options.host);
  Session session(*host, options);
  try {
    return RunCommand(command, session, words);
  } catch (const CommandUsageError&) {
    throw;
  } catch (const UsageError& e) {
    throw CommandUsageError(e, command);
  } catch (const OperationFailed& e) {
    // The message names its own cause; the items' last debug line may belong to another step.
    std::fprintf(stderr, "vestrel-cli: %s\n", e.what());
    return kFailed;
  }
}

// What went to standard output must have arrived: a reader that left (a broken pipe) or a full
// disk is a failure of the run, not a success.
int Flushed(int status) {
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return status;
  std::fprintf(stderr, "vestrel-cli: cannot write to standard output: %s\n", std::strerror(errno));
  return status == kDone ? kFailed : status;
}

}  // namespace

int main(int argc, char** argv) {
  const vestrel::platform::Utf8Console console;
#ifdef SIGPIPE
  // A reader that goes away is reported as a failed write, never a silent death.
  std::signal(SIGPIPE, SIG_IGN);
#endif
  try {
    return Flushed(Run(vestrel::platform::CommandLineArguments(argc, argv)));
  } catch (const CommandUsageError& e) {
    std::fprintf(stderr, "vestrel-cli: %s\n", e.what());
    PrintUsage(stderr, e.command);
    return kUsage;
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
