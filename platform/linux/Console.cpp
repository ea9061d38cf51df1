#include "platform/Console.h"

#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace vestrel::platform {

namespace {

struct sigaction previousInt {};
struct sigaction previousTerm {};

template <class T>
OsResult<std::size_t> Moved(T n) {
  if (n < 0) return {std::nullopt, OsError::FromErrno(errno)};
  return {static_cast<std::size_t>(n), {}};
}

}  // namespace

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) != 0; }

Utf8Console::Utf8Console() = default;
Utf8Console::~Utf8Console() = default;

void WatchStopSignals(void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  // Each blocks the other while the handler runs: two arriving together are handled one after
  // the other, never one inside the other before the first has noted its signal.
  sigemptyset(&action.sa_mask);
  sigaddset(&action.sa_mask, SIGINT);
  sigaddset(&action.sa_mask, SIGTERM);
  // No SA_RESTART: a read of standard input waiting for a person must return on Ctrl-C.
  sigaction(SIGINT, &action, &previousInt);
  sigaction(SIGTERM, &action, &previousTerm);
}

void ForgetStopSignals() {
  sigaction(SIGINT, &previousInt, nullptr);
  sigaction(SIGTERM, &previousTerm, nullptr);
}

OsResult<std::size_t> ReadStandardInput(std::span<std::uint8_t> buffer) {
  return Moved(::read(STDIN_FILENO, buffer.data(), buffer.size()));
}

OsResult<std::size_t> WriteStandardOutput(std::span<const std::uint8_t> bytes) {
  return Moved(::write(STDOUT_FILENO, bytes.data(), bytes.size()));
}

void WriteStandardErrorNow(std::string_view text) {
  if (::write(STDERR_FILENO, text.data(), text.size()) < 0) return;
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

}  // namespace vestrel::platform
