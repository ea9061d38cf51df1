#include "cli/ModeChangeWait.h"

#include <algorithm>
#include <chrono>

namespace vestrel::cli {

namespace {

constexpr std::uint32_t kLookAgainMs = 100;

template <class Mode>
bool ListsANewPhone(Mode& mode, const std::set<std::uint32_t>& before) {
  const auto instances = ListedInstances(mode);
  return std::any_of(instances.begin(), instances.end(),
                     [&](std::uint32_t instance) { return !before.contains(instance); });
}

}  // namespace

template <class Mode>
std::set<std::uint32_t> ListedInstances(Mode& mode) {
  std::set<std::uint32_t> instances;
  auto& list = mode.DeviceList();
  for (int i = 0; i < list.Count(); ++i) instances.insert(list.Items(i)->ModemInfo().DevInst);
  return instances;
}

template <class Mode>
bool AwaitNewPhone(Session& session, Mode& mode, const std::set<std::uint32_t>& before,
                   std::uint32_t timeoutMs) {
  session.Pump();
  if (ListsANewPhone(mode, before)) return true;
  if (const auto watch = session.Host().bus().watchNotices()) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) return false;
      watch->wait(static_cast<std::uint32_t>(left.count()));
      session.Pump();
      if (ListsANewPhone(mode, before)) return true;
    }
  }
  // No descriptor to wait on: the list is refreshed as the main window's polling would.
  platform::Clock& clock = session.Host().clock();
  const std::uint32_t deadline = clock.tickCount() + timeoutMs;
  while (!platform::tickPassed(clock.tickCount(), deadline)) {
    clock.sleep(kLookAgainMs);
    session.Pump();
    mode.DeviceList().Refresh();
    if (ListsANewPhone(mode, before)) return true;
  }
  return false;
}

#define VESTREL_MODE_CHANGE_WAIT(Mode)                     \
  template std::set<std::uint32_t> ListedInstances(Mode&); \
  template bool AwaitNewPhone(Session&, Mode&, const std::set<std::uint32_t>&, std::uint32_t);
VESTREL_MODE_CHANGE_WAIT(phonelink::TMotoP2KMode)
VESTREL_MODE_CHANGE_WAIT(phonelink::TMotoFlashMode)
VESTREL_MODE_CHANGE_WAIT(phonelink::TMotoATMode)
#undef VESTREL_MODE_CHANGE_WAIT

}  // namespace vestrel::cli
