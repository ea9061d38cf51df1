#include "cli/CommandLine.h"

#include <algorithm>

namespace vestrel::cli {

namespace {

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.rfind(prefix, 0) == 0;
}

bool Contains(const std::vector<std::string>& list, const std::string& word) {
  return std::find(list.begin(), list.end(), word) != list.end();
}

}  // namespace

Invocation ParseCommandLine(const std::vector<std::string>& argv) {
  Invocation invocation;
  GlobalOptions& options = invocation.options;
  std::size_t i = 1;
  while (i < argv.size()) {
    std::size_t taken = 0;
    try {
      taken = platform::TakeSharedOption(argv, i, options);
    } catch (const platform::OptionError& e) {
      throw UsageError(e.what());
    }
    if (taken > 0) {
      i += taken;
      continue;
    }
    const std::string& word = argv[i];
    if (word == "-v") {
      options.verbose = true;
    } else if (word == "-q") {
      options.quiet = true;
    } else if (word == "--") {
      ++i;
      break;
    } else if (StartsWith(word, "-")) {
      throw UsageError("unknown option: " + word);
    } else {
      break;
    }
    ++i;
  }
  if (i == argv.size()) {
    if (!options.help && !options.version) throw UsageError("no command given");
    return invocation;
  }
  invocation.command = argv[i];
  invocation.words.assign(argv.begin() + static_cast<std::ptrdiff_t>(i) + 1, argv.end());
  return invocation;
}

CommandWords::CommandWords(const std::vector<std::string>& words,
                           const std::vector<std::string>& valued,
                           const std::vector<std::string>& flags, std::size_t minOperands,
                           std::size_t maxOperands) {
  bool optionsEnded = false;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    const std::size_t equals = word.find('=');
    const std::string name = StartsWith(word, "--") ? word.substr(0, equals) : word;
    if (optionsEnded) {
      operands_.push_back(word);
    } else if (word == "--") {
      optionsEnded = true;
    } else if (word == "--help" || word == "-h") {
      help_ = true;
    } else if (Contains(valued, name) && equals != std::string::npos) {
      values_.emplace_back(name, word.substr(equals + 1));
    } else if (Contains(valued, word)) {
      if (i + 1 == words.size()) throw UsageError(word + " needs a value");
      values_.emplace_back(word, words[++i]);
    } else if (Contains(flags, name) && equals != std::string::npos) {
      throw UsageError(name + " takes no value");
    } else if (Contains(flags, word)) {
      flags_.push_back(word);
    } else if (StartsWith(word, "--")) {
      throw UsageError("unknown option: " + word);
    } else {
      operands_.push_back(word);
    }
  }
  if (help_) return;
  if (operands_.size() < minOperands) throw UsageError("missing argument");
  if (operands_.size() > maxOperands) {
    throw UsageError("unexpected argument: " + operands_[maxOperands]);
  }
}

std::optional<std::string> CommandWords::value(const std::string& option) const {
  for (auto it = values_.rbegin(); it != values_.rend(); ++it) {
    if (it->first == option) return it->second;
  }
  return std::nullopt;
}

bool CommandWords::flag(const std::string& option) const { return Contains(flags_, option); }

}  // namespace vestrel::cli
