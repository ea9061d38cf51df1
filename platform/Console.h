#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace vestrel::platform {

// True when `stream` is a terminal a person watches (progress is drawn only there).
// Implemented once per build, beside OpenHost.
bool IsTerminal(std::FILE* stream);

// The program's arguments as UTF-8, the program's own text: on Windows read again from the
// wide command line (main's are in the ANSI code page, which loses a Cyrillic file name on a
// Western system), elsewhere as main got them.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

}  // namespace vestrel::platform
