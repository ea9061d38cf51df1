// CPU cost of whole P2K file operations against a zero-latency virtual phone: a 1 MiB
// FileDownload in the main window's 4000-byte blocks, and GetFileList of 1,000 files (the count
// from GetFileCount, as the window passes it). A real phone needs at least one 1 ms USB round
// trip per command; the goal is that the phone link costs under 1% of that, under 10 us per
// round trip. The figures include the virtual phone's own work, so they bound the link's cost
// from above. Counter us_per_round_trip is the time per command.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <random>

#include "phonelink/MotoP2KMode.h"
#include "platform/virtual/P2KPersonality.h"
#include "platform/virtual/VirtualBus.h"

namespace {

using namespace vestrel;
using namespace vestrel::virtualphone;

struct Rig {
  VirtualClock clock;
  VirtualBus bus{clock};
  std::shared_ptr<VirtualPhone> phone = bus.plug({"bench", "B1", 8}, PhoneMode::P2K);
  std::shared_ptr<P2KPersonality> personality = P2KPersonality::Sample();
  std::unique_ptr<phonelink::TMotoP2KMode> mode;
  std::shared_ptr<phonelink::TMotoP2KModemItem> item;

  Rig() {
    P2KPersonality::Install(*phone, personality);
    mode = std::make_unique<phonelink::TMotoP2KMode>(phonelink::PhoneLinkContext{bus, clock});
    item = mode->DeviceList().Items(0);
    item->OpenPhone();
  }
};

void SetPerRoundTrip(benchmark::State& state, double roundTrips) {
  state.counters["round_trips"] = roundTrips;
  state.counters["us_per_round_trip"] =
      benchmark::Counter(roundTrips * 1e-6, benchmark::Counter::kIsIterationInvariantRate |
                                                benchmark::Counter::kInvert);
}

void BM_FileDownload1MiB(benchmark::State& state) {
  Rig rig;
  constexpr std::size_t kSize = 1024 * 1024;
  constexpr std::size_t kBlock = 4000;
  PhoneFile file;
  file.contents.resize(kSize);
  for (std::size_t i = 0; i < kSize; ++i) file.contents[i] = static_cast<std::uint8_t>(i * 131);
  rig.personality->MutableState().files["/a/mobile/video/big.3gp"] = std::move(file);
  // Arg 0: a real local file, as the windows write; arg 1: /dev/null, which leaves out the host
  // file system's own cost (truncating and filling the page cache) and keeps the link's.
  const bool toNull = state.range(0) == 1;
  const std::filesystem::path local =
      toNull ? std::filesystem::path("/dev/null")
             : std::filesystem::temp_directory_path() /
                   ("p2k_download_bench_" + std::to_string(std::random_device{}()) + ".bin");
  for (auto _ : state) {
    if (!rig.item->FileDownload("/a/mobile/video/big.3gp", local, kBlock, kSize, nullptr)) {
      state.SkipWithError("download failed");
      break;
    }
  }
  if (!toNull) std::filesystem::remove(local);
  // Open, every block, the end-of-file read, close.
  SetPerRoundTrip(state, 1.0 + (kSize + kBlock - 1) / kBlock + 1.0 + 1.0);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kSize));
}

void BM_GetFileList1000(benchmark::State& state) {
  Rig rig;
  constexpr int kFiles = 1000;
  auto& files = rig.personality->MutableState().files;
  files.clear();
  for (int i = 0; i < kFiles; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "/a/mobile/picture/photo%04d.jpg", i);
    PhoneFile file;
    file.kind = 14;
    file.contents.resize(static_cast<std::size_t>(i));
    files.emplace(name, std::move(file));
  }
  std::size_t entries = 0;
  for (auto _ : state) {
    const std::int32_t count = rig.item->GetFileCount("/a/|*");
    entries = 0;
    if (count != kFiles ||
        !rig.item->GetFileList(count, nullptr,
                               [&](const phonelink::P2KFileRecord&) {
                                 ++entries;
                                 return true;
                               }) ||
        entries != kFiles) {
      state.SkipWithError("listing failed");
      break;
    }
  }
  // The search, then as many rounds as the count (334 carry entries, the rest come back empty).
  SetPerRoundTrip(state, 1.0 + kFiles);
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kFiles));
}

BENCHMARK(BM_FileDownload1MiB)
    ->ArgName("to_dev_null")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetFileList1000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
