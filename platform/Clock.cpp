#include "platform/Clock.h"

#include <chrono>
#include <thread>

namespace vestrel::platform {

std::uint32_t SteadyClock::tickCount() {
  const auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

void SteadyClock::sleep(std::uint32_t ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace vestrel::platform
