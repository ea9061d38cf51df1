#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "platform/OsError.h"

namespace vestrel::platform {

// The terminal and the standard streams of a command-line run. Implemented once per build,
// beside OpenHost.

// True when `stream` is a terminal a person watches (progress is drawn only there).
bool IsTerminal(std::FILE* stream);

// Calls `handler` with the signal's number on every SIGINT and SIGTERM until
// ForgetStopSignals, which puts back what was there before. A blocking read of standard input
// that the signal interrupts returns (it is not restarted), so the caller can look at what the
// handler noted.
void WatchStopSignals(void (*handler)(int));
void ForgetStopSignals();

// One read of standard input and one write of standard output, as raw bytes (binary mode where
// the host has text mode). The count of bytes moved, 0 at the end of input; on failure nullopt
// and the OS's reason, "EINTR" when a signal interrupted the call.
OsResult<std::size_t> ReadStandardInput(std::span<std::uint8_t> buffer);
OsResult<std::size_t> WriteStandardOutput(std::span<const std::uint8_t> bytes);

// The program's arguments as UTF-8, the program's own text: on Windows read again from the
// wide command line (main's are in the ANSI code page, which loses a Cyrillic file name on a
// Western system), elsewhere as main got them.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

}  // namespace vestrel::platform
