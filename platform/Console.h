#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/OsError.h"

namespace vestrel::platform {

// The terminal and the standard streams of a command-line run. Implemented once per build,
// beside OpenHost.

// True when `stream` is a terminal a person watches (progress is drawn only there).
bool IsTerminal(std::FILE* stream);

// While it lives, a console that shows standard output or standard error shows the program's
// UTF-8 text as UTF-8. On Windows it sets the console's output code page to UTF-8 when one of
// the two streams is a console, and puts the earlier code page back when it goes; elsewhere a
// terminal takes the bytes as they are, and it does nothing. One, made first thing in main.
class Utf8Console {
 public:
  Utf8Console();
  ~Utf8Console();
  Utf8Console(const Utf8Console&) = delete;
  Utf8Console& operator=(const Utf8Console&) = delete;

 private:
  unsigned previousCodePage_ = 0;  // the code page to put back; 0 when nothing was changed
};

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

// One unbuffered write of `text` to standard error, safe inside a stop-signal handler (the
// forced end's last line). What the stream does not take is dropped.
void WriteStandardErrorNow(std::string_view text);

// The program's arguments as UTF-8, the program's own text: on Windows read again from the
// wide command line (main's are in the ANSI code page, which loses a Cyrillic file name on a
// Western system), elsewhere as main got them.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

}  // namespace vestrel::platform
