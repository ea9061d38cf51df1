#include "cli/Commands.h"

namespace vestrel::cli {

const std::vector<Command>& AllCommands() {
  static const std::vector<Command> commands = [] {
    std::vector<Command> all = ModeCommands();
    for (auto& group : {PhoneCommands(), BackupCommands()}) {
      all.insert(all.end(), group.begin(), group.end());
    }
    return all;
  }();
  return commands;
}

const Command* FindCommand(const std::string& name) {
  for (const auto& command : AllCommands()) {
    if (name == command.name) return &command;
  }
  return nullptr;
}

}  // namespace vestrel::cli
