#include "cli/Interrupt.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <iterator>
#include <string_view>

#include "phonelink/DriverRequests.h"
#include "platform/Console.h"
#include "platform/HostFileSystem.h"

namespace vestrel::cli {

namespace {

// A signal handler can reach nothing else: this is the one place the tool keeps state outside
// an object. A slot's text is written only while its flag is clear, so the handler never reads
// one half-written.
template <class Char>
struct ForcedExitText {
  Char text[4096];
  volatile std::sig_atomic_t set;
};

using NativeChar = std::filesystem::path::value_type;

volatile std::sig_atomic_t pendingSignal = 0;
// The host's own form of each name (UTF-16 on Windows), so any name is removed as it is.
ForcedExitText<NativeChar> scratchFiles[StopOnSignal::kForcedExitFiles];
ForcedExitText<char> lastWords;  // UTF-8

constexpr std::string_view kEndedAtOnce = "vestrel-cli: ended at once";

extern "C" void OnStopSignal(int number) {
  if (pendingSignal != 0) {
    for (const auto& file : scratchFiles) {
      if (file.set != 0) platform::RemoveHostFileNow(file.text);
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
template <class Char>
bool Store(ForcedExitText<Char>& slot, std::basic_string_view<Char> text) {
  slot.set = 0;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  const std::size_t length = std::min(text.size(), sizeof slot.text - 1);
  std::copy_n(text.data(), length, slot.text);
  slot.text[length] = Char{};
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
  const std::basic_string_view<NativeChar> text = path.native();
  if (text.empty() || text.size() >= std::size(scratchFiles[0].text)) return false;
  for (auto& file : scratchFiles) {
    if (file.set == 0) return Store(file, text);
  }
  return false;
}

void StopOnSignal::ForgetOnForcedExit(const std::filesystem::path& path) {
  for (auto& file : scratchFiles) {
    if (file.set != 0 && path.native() == file.text) file.set = 0;
  }
}

void StopOnSignal::SayOnForcedExit(const std::string& text) {
  if (text.empty()) {
    lastWords.set = 0;
    return;
  }
  Store(lastWords, std::string_view(text));
}

}  // namespace vestrel::cli
