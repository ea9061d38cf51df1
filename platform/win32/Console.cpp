#include "platform/Console.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <shellapi.h>

#include "platform/win32/Win32Error.h"
#include "platform/win32/Win32Text.h"

#include <cerrno>
#include <climits>
#include <csignal>

namespace vestrel::platform {

namespace {

using Handler = void (*)(int);
volatile Handler watcher = nullptr;
Handler previousInt = SIG_DFL;
Handler previousTerm = SIG_DFL;

// The C runtime resets a handler before calling it: set it again first, so a second Ctrl-C
// reaches the watcher too.
extern "C" void OnSignal(int number) {
  std::signal(number, OnSignal);
  if (watcher) watcher(number);
}

bool IsConsole(DWORD stream) {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(stream), &mode) != 0;
}

unsigned Chunk(std::size_t size) { return size > INT_MAX ? INT_MAX : static_cast<unsigned>(size); }

OsResult<std::size_t> Moved(int n) {
  if (n < 0) return {std::nullopt, OsError::FromErrno(errno)};
  return {static_cast<std::size_t>(n), {}};
}

}  // namespace

bool IsTerminal(std::FILE* stream) { return ::_isatty(::_fileno(stream)) != 0; }

Utf8Console::Utf8Console() {
  if (!IsConsole(STD_OUTPUT_HANDLE) && !IsConsole(STD_ERROR_HANDLE)) return;
  const UINT current = GetConsoleOutputCP();
  if (current == 0 || current == CP_UTF8) return;
  if (SetConsoleOutputCP(CP_UTF8)) previousCodePage_ = current;
}

// The console outlives the program (it is the shell's): it gets its own code page back.
Utf8Console::~Utf8Console() {
  if (previousCodePage_ != 0) SetConsoleOutputCP(previousCodePage_);
}

void WatchStopSignals(void (*handler)(int)) {
  watcher = handler;
  previousInt = std::signal(SIGINT, OnSignal);
  previousTerm = std::signal(SIGTERM, OnSignal);
}

void ForgetStopSignals() {
  std::signal(SIGINT, previousInt);
  std::signal(SIGTERM, previousTerm);
  watcher = nullptr;
}

OsResult<std::size_t> ReadStandardInput(std::span<std::uint8_t> buffer) {
  ::_setmode(0, _O_BINARY);
  return Moved(::_read(0, buffer.data(), Chunk(buffer.size())));
}

// Straight to the handle: the C runtime calls a reader that has gone "EINVAL". A pipe without its
// reader is EPIPE here, as on every host.
OsResult<std::size_t> WriteStandardOutput(std::span<const std::uint8_t> bytes) {
  DWORD written = 0;
  if (WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), Chunk(bytes.size()), &written,
                nullptr)) {
    return {written, {}};
  }
  const DWORD code = GetLastError();
  if (code == ERROR_NO_DATA || code == ERROR_BROKEN_PIPE || code == ERROR_PIPE_NOT_CONNECTED) {
    return {std::nullopt, OsError::FromErrno(EPIPE)};
  }
  return {std::nullopt, Win32Error(code)};
}

void WriteStandardErrorNow(std::string_view text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), text.data(), Chunk(text.size()), &written, nullptr);
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(fromWide(wide[i]));
  LocalFree(wide);
  return arguments;
}

}  // namespace vestrel::platform
