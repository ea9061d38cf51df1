#pragma once

#include <cstdint>

namespace vestrel::platform {

// Millisecond tick count and sleep: all the time the phone link needs. Polling deadlines
// are measured against tickCount(), which wraps like a 32-bit tick counter.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::uint32_t tickCount() = 0;
  // Blocks the caller for at least `ms` milliseconds (a virtual clock only advances).
  virtual void sleep(std::uint32_t ms) = 0;
};

// The host's monotonic clock.
class SteadyClock final : public Clock {
 public:
  std::uint32_t tickCount() override;
  void sleep(std::uint32_t ms) override;
};

// True once `now` has passed `deadline`, also across the wrap of the 32-bit tick count.
inline bool tickPassed(std::uint32_t now, std::uint32_t deadline) {
  return static_cast<std::int32_t>(now - deadline) > 0;
}

}  // namespace vestrel::platform
