#pragma once

// Shared fixtures for phone tests: a virtual bus on a virtual clock, and a recorder for the
// lines items report through their debug handler.

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "phonelink/ModemItem.h"
#include "platform/WireTrace.h"
#include "platform/virtual/VirtualBus.h"

namespace vestrel::testing {

struct PhoneRig {
  virtualphone::VirtualClock clock;
  virtualphone::VirtualBus bus{clock};
  phonelink::PhoneLinkContext context{bus, clock};

  // Plugs a phone named by its serial, at a location derived from it.
  std::shared_ptr<virtualphone::VirtualPhone> plug(
      const std::string& serial, virtualphone::PhoneMode mode = virtualphone::PhoneMode::P2K,
      std::uint16_t p2kInterface = 8) {
    return bus.plug({"Port_" + serial, serial, p2kInterface}, mode);
  }
};

// A tracing bus over another, its wire trace kept in memory.
class MemoryTrace {
 public:
  explicit MemoryTrace(platform::DeviceBus& inner) {
    auto out = std::make_unique<std::ostringstream>();
    out_ = out.get();
    bus_ = std::make_unique<platform::TracingBus>(
        inner, std::make_shared<platform::TraceSink>(std::move(out)));
  }

  platform::DeviceBus& bus() { return *bus_; }
  std::string Text() const { return out_->str(); }
  void Clear() { out_->str(""); }
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    std::istringstream in(out_->str());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

 private:
  std::ostringstream* out_;
  std::unique_ptr<platform::TracingBus> bus_;
};

struct DebugLine {
  std::string text;
  phonelink::TDebugType type;
  bool subError;
  bool operator==(const DebugLine&) const = default;
};

// A debug handler that appends every report to `lines`.
template <class Item>
phonelink::TModemDebugEvent<Item> RecordInto(std::vector<DebugLine>& lines) {
  return [&lines](Item&, const std::string& text, phonelink::TDebugType type, bool subError) {
    lines.push_back({text, type, subError});
  };
}

inline std::vector<std::string> Texts(const std::vector<DebugLine>& lines) {
  std::vector<std::string> texts;
  for (const auto& line : lines) texts.push_back(line.text);
  return texts;
}

}  // namespace vestrel::testing
