#include "cli/Interrupt.h"

#include <unistd.h>

#include <csignal>
#include <cstring>

namespace vestrel::cli {

namespace {

// A signal handler can reach nothing else: this is the one place the tool keeps state outside
// an object.
volatile std::sig_atomic_t pendingSignal = 0;
char scratchPath[4096];
volatile std::sig_atomic_t scratchPathSet = 0;

extern "C" void OnStopSignal(int number) {
  if (pendingSignal != 0) {
    if (scratchPathSet != 0) unlink(scratchPath);
    _exit(128 + number);
  }
  pendingSignal = number;
}

struct sigaction Install(int number, void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  struct sigaction before {};
  sigaction(number, &action, &before);
  return before;
}

}  // namespace

StopOnSignal::StopOnSignal() {
  pendingSignal = 0;
  previousInt_ = Install(SIGINT, OnStopSignal);
  previousTerm_ = Install(SIGTERM, OnStopSignal);
}

StopOnSignal::~StopOnSignal() {
  scratchPathSet = 0;
  sigaction(SIGINT, &previousInt_, nullptr);
  sigaction(SIGTERM, &previousTerm_, nullptr);
}

bool StopOnSignal::Requested() const { return pendingSignal != 0; }

int StopOnSignal::ExitStatus() const { return pendingSignal != 0 ? 128 + pendingSignal : 1; }

void StopOnSignal::RemoveOnForcedExit(const std::filesystem::path& path) {
  scratchPathSet = 0;
  const std::string& text = path.native();
  if (text.empty() || text.size() >= sizeof scratchPath) return;
  std::memcpy(scratchPath, text.c_str(), text.size() + 1);
  scratchPathSet = 1;
}

}  // namespace vestrel::cli
