#include "cli/Interrupt.h"

#include <unistd.h>

#include <csignal>

namespace vestrel::cli {

namespace {

// A signal handler can reach nothing else: this is the one place the tool keeps state outside
// an object.
volatile std::sig_atomic_t pendingSignal = 0;

extern "C" void OnStopSignal(int number) {
  if (pendingSignal != 0) _exit(128 + number);
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
  sigaction(SIGINT, &previousInt_, nullptr);
  sigaction(SIGTERM, &previousTerm_, nullptr);
}

bool StopOnSignal::Requested() const { return pendingSignal != 0; }

int StopOnSignal::ExitStatus() const { return pendingSignal != 0 ? 128 + pendingSignal : 1; }

}  // namespace vestrel::cli
