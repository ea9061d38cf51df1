// The completion and the man page list exactly the commands and options the tool accepts, so
// neither can drift from the command table.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "cli/Commands.h"

namespace vestrel::cli {
namespace {

using Options = std::set<std::string>;

std::string ReadSource(const std::string& path) {
  std::ifstream in(std::string(VESTREL_SOURCE_DIR) + "/" + path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::set<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::set<std::string> words;
  for (std::string word; in >> word;) words.insert(word);
  return words;
}

// Every option of every command, as the table has it (--help is everyone's).
std::map<std::string, Options> TableOptions() {
  std::map<std::string, Options> table;
  for (const auto& command : AllCommands()) {
    Options& options = table[command.name];
    options.insert(command.flags.begin(), command.flags.end());
    options.insert(command.valued.begin(), command.valued.end());
  }
  return table;
}

// The completion's `commands` list and the options `_vestrel_cli_options` gives each command.
struct Completion {
  std::set<std::string> commands;
  std::map<std::string, Options> options;
};

Completion ReadCompletion() {
  const std::string text = ReadSource("data/vestrel-cli.bash-completion");
  Completion completion;
  std::smatch match;
  if (std::regex_search(text, match, std::regex("local commands=\"([^\"]*)\""))) {
    completion.commands = Words(match[1]);
  }
  const std::regex optionCase("\\n\\s*([a-z0-9 |-]+)\\) echo \"([^\"]*)\" ;;");
  for (std::sregex_iterator it(text.begin(), text.end(), optionCase), end; it != end; ++it) {
    std::string names = (*it)[1];
    for (char& c : names) c = c == '|' ? ' ' : c;
    for (const auto& name : Words(names)) completion.options[name] = Words((*it)[2]);
  }
  return completion;
}

// The man page's COMMANDS section: each entry's command word and every "--option" in it.
std::map<std::string, Options> ReadManPage() {
  std::string text = ReadSource("data/man/vestrel-cli.1");
  text = std::regex_replace(text, std::regex("\\\\f[BIRP]"), "");
  text = std::regex_replace(text, std::regex("\\\\-"), "-");
  const std::size_t start = text.find(".SH COMMANDS");
  const std::size_t end = text.find(".SH", start + 1);
  std::istringstream section(text.substr(start, end - start));
  std::map<std::string, Options> entries;
  std::string name;
  bool header = false;
  for (std::string line; std::getline(section, line);) {
    if (line == ".TP") {
      header = true;
      continue;
    }
    if (header) {
      std::istringstream words(line.rfind(".B ", 0) == 0 ? line.substr(3) : line);
      words >> name;
      entries[name];
      header = false;
    }
    if (name.empty()) continue;
    const std::regex option("--[a-z-]+");
    for (std::sregex_iterator it(line.begin(), line.end(), option), stop; it != stop; ++it) {
      if (it->str() != "--help") entries[name].insert(it->str());
    }
  }
  return entries;
}

TEST(DocumentedCommands, TheCompletionOffersEveryCommandAndItsOptions) {
  const auto table = TableOptions();
  const Completion completion = ReadCompletion();
  std::set<std::string> names{"help"};
  for (const auto& [name, options] : table) names.insert(name);
  EXPECT_EQ(completion.commands, names);
  for (const auto& [name, options] : table) {
    const auto offered = completion.options.find(name);
    EXPECT_EQ(offered == completion.options.end() ? Options{} : offered->second, options)
        << "completion of " << name;
  }
  for (const auto& [name, options] : completion.options) {
    EXPECT_TRUE(table.count(name)) << "the completion offers options of " << name;
  }
}

TEST(DocumentedCommands, TheManPageDescribesEveryCommandWithItsOptions) {
  const auto table = TableOptions();
  const auto manPage = ReadManPage();
  std::set<std::string> described;
  for (const auto& [name, options] : manPage) described.insert(name);
  std::set<std::string> names;
  for (const auto& [name, options] : table) names.insert(name);
  EXPECT_EQ(described, names);
  for (const auto& [name, options] : table) {
    if (manPage.count(name)) {
      EXPECT_EQ(manPage.at(name), options) << "man page entry " << name;
    }
  }
}

TEST(DocumentedCommands, EveryUsageLineNamesEveryOptionOfItsCommand) {
  for (const auto& command : AllCommands()) {
    const std::string usage = UsageOf(command);
    const std::string name = command.name;
    EXPECT_TRUE(usage == name || usage.rfind(name + " ", 0) == 0) << usage;
    for (const auto& options : {command.flags, command.valued}) {
      for (const auto& option : options) {
        EXPECT_THAT(usage, ::testing::HasSubstr(option)) << command.name;
      }
    }
  }
}

TEST(DocumentedCommands, JsonIsOfferedExactlyWhereAJsonFormExists) {
  std::set<std::string> withJson;
  for (const auto& command : AllCommands()) {
    const auto& flags = command.flags;
    if (std::find(flags.begin(), flags.end(), "--json") != flags.end())
      withJson.insert(command.name);
  }
  EXPECT_EQ(withJson, (std::set<std::string>{"devices", "drives", "info", "ls", "models"}));
}

}  // namespace
}  // namespace vestrel::cli
