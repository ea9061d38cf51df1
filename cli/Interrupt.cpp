#include "cli/Interrupt.h"

#include "phonelink/DriverRequests.h"
#include "platform/Console.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
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
    // remove() is unlink() on POSIX hosts and _unlink() on Windows.
    if (scratchPathSet != 0) std::remove(scratchPath);
    std::_Exit(128 + number);
  }
  pendingSignal = number;
}

bool SignalPending() { return pendingSignal != 0; }

}  // namespace

StopOnSignal::StopOnSignal() {
  pendingSignal = 0;
  platform::WatchStopSignals(OnStopSignal);
  driver::SetStopCheck(SignalPending);
}

StopOnSignal::~StopOnSignal() {
  scratchPathSet = 0;
  driver::SetStopCheck(nullptr);
  platform::ForgetStopSignals();
}

bool StopOnSignal::Requested() const { return pendingSignal != 0; }

int StopOnSignal::ExitStatus() const { return pendingSignal != 0 ? 128 + pendingSignal : 1; }

void StopOnSignal::RemoveOnForcedExit(const std::filesystem::path& path) {
  scratchPathSet = 0;
  const std::string text = path.string();
  if (text.empty() || text.size() >= sizeof scratchPath) return;
  std::memcpy(scratchPath, text.c_str(), text.size() + 1);
  scratchPathSet = 1;
}

}  // namespace vestrel::cli
