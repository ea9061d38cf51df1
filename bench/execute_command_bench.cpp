// CPU cost of one ExecuteCommand round trip against a zero-latency virtual phone, per
// transport. A real round trip takes at least one 1 ms USB frame; the goal is under 1% of it.
#include <benchmark/benchmark.h>

#include "phonelink/MotoP2KMode.h"
#include "platform/virtual/VirtualBus.h"

namespace {

using namespace vestrel;
using namespace vestrel::virtualphone;

void RoundTrip(benchmark::State& state, phonelink::TCMDFormatOptions format,
               std::size_t payloadSize) {
  VirtualClock clock;
  VirtualBus bus(clock);
  auto phone = bus.plug({"bench", "B1", 8}, PhoneMode::P2K);
  const std::vector<std::uint8_t> answer(payloadSize, 0x5A);
  phone->setP2KHandler([&](std::uint16_t, std::span<const std::uint8_t>) {
    return P2KAnswer{true, answer};
  });
  phonelink::TMotoP2KMode mode(phonelink::PhoneLinkContext{bus, clock});
  auto item = mode.DeviceList().Items(0);
  item->OpenPhone();
  item->SetCMDFormatOptions(format);
  const std::vector<std::uint8_t> payload(payloadSize, 0xA5);
  std::vector<std::uint8_t> reply(payloadSize + 1);
  std::uint16_t length = 0;
  for (auto _ : state) {
    if (!item->ExecuteCommand(0x0042, payload, reply, length)) state.SkipWithError("failed");
    benchmark::DoNotOptimize(reply.data());
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_RoundTripControl(benchmark::State& state) {
  RoundTrip(state, phonelink::cfoP2K, static_cast<std::size_t>(state.range(0)));
}
void BM_RoundTripBlocks(benchmark::State& state) {
  RoundTrip(state, phonelink::cfoP2K05, static_cast<std::size_t>(state.range(0)));
}

BENCHMARK(BM_RoundTripControl)->Arg(0)->Arg(1000)->Arg(4000);
BENCHMARK(BM_RoundTripBlocks)->Arg(0)->Arg(1000)->Arg(4000);

}  // namespace

BENCHMARK_MAIN();
