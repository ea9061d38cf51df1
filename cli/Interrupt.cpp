#include "cli/Interrupt.h"

#include <csignal>
#include <cstdlib>

namespace vestrel::cli {

namespace {

// A signal handler can reach nothing else: this is the one place the tool keeps state outside
// an object.
volatile std::sig_atomic_t pendingSignal = 0;

extern "C" void OnStopSignal(int number) {
  if (pendingSignal != 0) std::_Exit(128 + number);
  pendingSignal = number;
  // Where a handler is reset after each signal (Windows), the second one must find it too.
  std::signal(number, OnStopSignal);
}

}  // namespace

StopOnSignal::StopOnSignal() {
  pendingSignal = 0;
  previousInt_ = std::signal(SIGINT, OnStopSignal);
  previousTerm_ = std::signal(SIGTERM, OnStopSignal);
}

StopOnSignal::~StopOnSignal() {
  std::signal(SIGINT, previousInt_);
  std::signal(SIGTERM, previousTerm_);
}

bool StopOnSignal::Requested() const { return pendingSignal != 0; }

int StopOnSignal::ExitStatus() const { return pendingSignal != 0 ? 128 + pendingSignal : 1; }

}  // namespace vestrel::cli
