#include "platform/linux/DesktopEntry.h"

#include <sstream>
#include <string_view>

namespace vestrel::platform {
namespace {

// A value inside the file escapes backslashes and control characters.
std::string escapeValue(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string unescapeValue(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    switch (text[++i]) {
      case 's':
        out += ' ';
        break;
      case 'n':
        out += '\n';
        break;
      case 't':
        out += '\t';
        break;
      case 'r':
        out += '\r';
        break;
      default:
        out += text[i];
    }
  }
  return out;
}

// The program as one quoted argument of Exec; '%' would otherwise start a field code.
std::string quoteExecArgument(std::string_view program) {
  std::string out = "\"";
  for (char c : program) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
    out += c;
    if (c == '%') out += '%';
  }
  return out + "\"";
}

std::string unquoteExecCommand(std::string_view exec) {
  std::string out;
  bool quoted = !exec.empty() && exec.front() == '"';
  if (quoted) {
    std::size_t i = 1;
    for (; i < exec.size() && exec[i] != '"'; ++i) {
      if (exec[i] == '\\' && i + 1 < exec.size()) ++i;
      out += exec[i];
    }
    if (i + 1 < exec.size()) out.append(exec.substr(i + 1));
  } else {
    out.assign(exec);
  }
  std::string result;
  for (std::size_t i = 0; i < out.size(); ++i) {
    result += out[i];
    if (out[i] == '%' && i + 1 < out.size() && out[i + 1] == '%') ++i;
  }
  return result;
}

bool isTrue(std::string_view value) { return value == "true"; }

}  // namespace

std::string autostartEntryText(const std::string& name, const std::string& command) {
  return "[Desktop Entry]\nType=Application\nName=" + escapeValue(name) +
         "\nExec=" + escapeValue(quoteExecArgument(command)) + "\nTerminal=false\n";
}

std::optional<std::string> autostartEntryCommand(const std::string& entryText) {
  std::istringstream lines(entryText);
  std::string line;
  bool inMainGroup = false;
  std::optional<std::string> exec;
  bool switchedOff = false;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line.front() == '#') continue;
    if (line.front() == '[') {
      inMainGroup = line == "[Desktop Entry]";
      continue;
    }
    auto eq = line.find('=');
    if (!inMainGroup || eq == std::string::npos) continue;
    std::string key = line.substr(0, eq);
    while (!key.empty() && key.back() == ' ') key.pop_back();
    std::string_view value = std::string_view(line).substr(eq + 1);
    while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
    if (key == "Exec") exec = unquoteExecCommand(unescapeValue(value));
    if (key == "Hidden" && isTrue(value)) switchedOff = true;
    if (key == "X-GNOME-Autostart-enabled" && value == "false") switchedOff = true;
  }
  if (switchedOff || !exec || exec->empty()) return std::nullopt;
  return exec;
}

}  // namespace vestrel::platform
