#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "cli/Session.h"

namespace vestrel::cli {

// One command of the tool: its words, what it accepts, and what it does.
struct Command {
  const char* name;
  const char* usage;                // after "vestrel-cli [OPTIONS] "
  const char* summary;              // one line
  std::vector<std::string> valued;  // options taking a value
  std::vector<std::string> flags;
  std::size_t minOperands;
  std::size_t maxOperands;
  int (*run)(Session& session, const CommandWords& words);
};

// Every command; those with a JSON form accept --json.
const std::vector<Command>& AllCommands();
const Command* FindCommand(const std::string& name);
// The command's usage line, "[--json] " added after the name where it has a JSON form.
std::string UsageOf(const Command& command);
// Runs the command: its JSON form when --json was given, else its text form.
int RunCommand(const Command& command, Session& session, const CommandWords& words);
// The command a mistyped word most likely meant (at most two letters off); "" when none is near.
std::string ClosestCommand(const std::string& word);

// No phone in the mode the command needs: exit 3.
struct NoPhone : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The phone operation failed: exit 1, with the phone's own debug line when there is one.
struct OperationFailed : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The --json form of a command: one JSON document on standard output (docs/cli-json.md).
struct JsonForm {
  const char* name;
  int (*run)(Session& session, const CommandWords& words);
};
std::vector<JsonForm> JsonForms();

// Commands grouped by the mode they need.
std::vector<Command> PhoneCommands();   // P2K mode
std::vector<Command> BackupCommands();  // flash mode, and the model list
std::vector<Command> ModeCommands();    // devices, the mode switches

}  // namespace vestrel::cli
