#include "cli/Commands.h"

#include <algorithm>

#include "cli/Report.h"

namespace vestrel::cli {

const std::vector<Command>& AllCommands() {
  static const std::vector<Command> commands = [] {
    std::vector<Command> all = ModeCommands();
    for (auto& group : {PhoneCommands(), BackupCommands()}) {
      all.insert(all.end(), group.begin(), group.end());
    }
    all.push_back(ReportCommand());
    for (const auto& form : JsonForms()) {
      auto command = std::find_if(all.begin(), all.end(), [&](const Command& c) {
        return c.name == std::string(form.name);
      });
      if (command != all.end()) command->flags.push_back("--json");
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

namespace {

decltype(JsonForm::run) JsonFormOf(const Command& command) {
  for (const auto& form : JsonForms()) {
    if (form.name == std::string(command.name)) return form.run;
  }
  return nullptr;
}

}  // namespace

std::string UsageOf(const Command& command) {
  std::string usage = command.usage;
  if (!JsonFormOf(command)) return usage;
  const std::size_t afterName = std::string(command.name).size();
  return usage.substr(0, afterName) + " [--json]" + usage.substr(afterName);
}

int RunCommand(const Command& command, Session& session, const CommandWords& words) {
  const auto json = JsonFormOf(command);
  if (json && words.flag("--json")) return json(session, words);
  return command.run(session, words);
}

namespace {

// Letters to insert, delete or change to turn `a` into `b`.
std::size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

std::string ClosestCommand(const std::string& word) {
  std::string closest;
  std::size_t best = 3;
  for (const auto& command : AllCommands()) {
    const std::size_t distance = EditDistance(word, command.name);
    if (distance < best) {
      best = distance;
      closest = command.name;
    }
  }
  return closest;
}

}  // namespace vestrel::cli
