#pragma once

#include <cstdint>

#include "platform/Clock.h"

namespace vestrel::virtualphone {

// A clock that stands still until asked: sleeping and the virtual phone's time-outs advance it
// at once, so a 40-second poll deadline passes in microseconds.
class VirtualClock final : public platform::Clock {
 public:
  explicit VirtualClock(std::uint32_t start = 0) : now_(start) {}
  std::uint32_t tickCount() override { return now_; }
  void sleep(std::uint32_t ms) override { now_ += ms; }
  void advance(std::uint32_t ms) { now_ += ms; }

 private:
  std::uint32_t now_;
};

}  // namespace vestrel::virtualphone
