#include "cli/Interrupt.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "phonelink/DriverRequests.h"
#include "platform/Console.h"

namespace vestrel::cli {

namespace {

// A signal handler can reach nothing else: this is the one place the tool keeps state outside
// an object. A slot's text is written only while its flag is clear, so the handler never reads
// one half-written.
struct ForcedExitText {
  char text[4096];
  volatile std::sig_atomic_t set;
};

volatile std::sig_atomic_t pendingSignal = 0;
ForcedExitText scratchFiles[StopOnSignal::kForcedExitFiles];
ForcedExitText lastWords;

constexpr std::string_view kEndedAtOnce = "vestrel-cli: ended at once";

extern "C" void OnStopSignal(int number) {
  if (pendingSignal != 0) {
    // remove() is unlink() on POSIX hosts and _unlink() on Windows.
    for (const auto& file : scratchFiles) {
      if (file.set != 0) std::remove(file.text);
    }
    platform::WriteStandardErrorNow(kEndedAtOnce);
    if (lastWords.set != 0) {
      platform::WriteStandardErrorNow("; ");
      platform::WriteStandardErrorNow(lastWords.text);
    }
    platform::WriteStandardErrorNow("\n");
    std::_Exit(128 + number);
  }
  pendingSignal = number;
}

bool SignalPending() { return pendingSignal != 0; }

// Cuts what does not fit; false when it was cut.
bool Store(ForcedExitText& slot, const std::string& text) {
  slot.set = 0;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  const std::size_t length = std::min(text.size(), sizeof slot.text - 1);
  std::memcpy(slot.text, text.data(), length);
  slot.text[length] = '\0';
  std::atomic_signal_fence(std::memory_order_seq_cst);
  slot.set = 1;
  return length == text.size();
}

}  // namespace

StopOnSignal::StopOnSignal() {
  pendingSignal = 0;
  platform::WatchStopSignals(OnStopSignal);
  phonelink::driver::SetStopCheck(SignalPending);
}

StopOnSignal::~StopOnSignal() {
  for (auto& file : scratchFiles) file.set = 0;
  lastWords.set = 0;
  phonelink::driver::SetStopCheck(nullptr);
  platform::ForgetStopSignals();
}

bool StopOnSignal::Requested() const { return pendingSignal != 0; }

int StopOnSignal::ExitStatus() const { return pendingSignal != 0 ? 128 + pendingSignal : 1; }

bool StopOnSignal::RemoveOnForcedExit(const std::filesystem::path& path) {
  const std::string text = path.string();
  if (text.empty() || text.size() >= sizeof ForcedExitText::text) return false;
  for (auto& file : scratchFiles) {
    if (file.set == 0) return Store(file, text);
  }
  return false;
}

void StopOnSignal::ForgetOnForcedExit(const std::filesystem::path& path) {
  const std::string text = path.string();
  for (auto& file : scratchFiles) {
    if (file.set != 0 && text == file.text) file.set = 0;
  }
}

void StopOnSignal::SayOnForcedExit(const std::string& text) {
  if (text.empty()) {
    lastWords.set = 0;
    return;
  }
  Store(lastWords, text);
}

}  // namespace vestrel::cli
