// CPU cost of a flash backup: SaveMemory of 4 MiB with "READ" (16,645 round trips of 256 and 248
// bytes in turn) against a zero-latency virtual phone whose RAM loader is running. A real round
// trip takes at least one 1 ms USB frame; the goal is under 10 microseconds of CPU per round trip.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <sstream>

#include "phonelink/MotoFlashMode.h"
#include "platform/virtual/VirtualBus.h"

namespace {

using namespace vestrel;
using namespace vestrel::virtualphone;

constexpr phonelink::MemoryRange kFourMiB{0x10000000, 0x103FFFFF};
constexpr double kRoundTrips = (4 << 20) / 256.0;

// A discarding sink, so the file system's cost stays out of the figure.
class NullBuffer final : public std::streambuf {
 protected:
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
  int overflow(int c) override { return c; }
};

struct BackupRig {
  VirtualClock clock;
  VirtualBus bus{clock};
  std::shared_ptr<VirtualPhone> phone = bus.plug({"bench", "F1", 8}, PhoneMode::Flash);
  phonelink::TMotoFlashMode mode{phonelink::PhoneLinkContext{bus, clock}};
  std::shared_ptr<phonelink::TMotoFlashModemItem> item = mode.DeviceList().Items(0);

  bool ready() {
    std::istringstream loader(std::string(64, 'L'));
    return item && item->OpenPhone() &&
           item->SendLoaderStream(&loader, phonelink::ltUseREAD, nullptr);
  }
};

void ReportPerRoundTrip(benchmark::State& state) {
  state.counters["per_READ"] =
      benchmark::Counter(kRoundTrips * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_SaveMemoryStream4MiB(benchmark::State& state) {
  BackupRig rig;
  if (!rig.ready()) state.SkipWithError("loader not running");
  NullBuffer discard;
  std::ostream out(&discard);
  for (auto _ : state) {
    if (!rig.item->SaveMemoryStream(kFourMiB, &out, nullptr)) state.SkipWithError("failed");
  }
  ReportPerRoundTrip(state);
}

void BM_SaveMemoryFile4MiB(benchmark::State& state) {
  BackupRig rig;
  if (!rig.ready()) state.SkipWithError("loader not running");
  const auto file = std::filesystem::temp_directory_path() / "vestrel-save-memory-bench.bin";
  for (auto _ : state) {
    if (!rig.item->SaveMemory(kFourMiB, file, nullptr)) state.SkipWithError("failed");
  }
  std::filesystem::remove(file);
  ReportPerRoundTrip(state);
}

BENCHMARK(BM_SaveMemoryStream4MiB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveMemoryFile4MiB)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
