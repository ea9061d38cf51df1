#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "cli/CommandLine.h"
#include "phonelink/PhoneLink.h"
#include "platform/WireTrace.h"
#include "platform/virtual/VirtualBus.h"

namespace vestrel::cli {

// The phone link of one run of the tool: the bus (the virtual phone, or the host's), the
// optional wire trace, and the watchers of the three modes. Items report every debug line to
// stderr with -v; the last one is kept for the failure message.
class Session {
 public:
  explicit Session(const GlobalOptions& options);
  ~Session();

  // The first phone of the mode, opened; null when there is none (or it cannot be opened).
  std::shared_ptr<TMotoP2KModemItem> P2KPhone();
  std::shared_ptr<TMotoFlashModemItem> FlashPhone();
  std::shared_ptr<TMotoATModemItem> ATPhone();

  TMotoP2KMode& P2K() { return *p2k_; }
  TMotoFlashMode& Flash() { return *flash_; }
  TMotoATMode& AT() { return *at_; }

  // Lets device-change notices reach the watchers, as the windows' event loop would.
  void Pump();

  // The last debug line an item reported ("" when none).
  const std::string& LastDebugLine() const { return lastDebugLine_; }

  // True when the tool has a bus to real phones on this host.
  bool HasBus() const { return bus_ != nullptr; }

 private:
  template <class Item>
  TModemDebugEvent<Item> Reporter();
  void LoadVirtualPhone(const GlobalOptions& options);
  void SaveVirtualPhone();

  std::unique_ptr<virtualphone::VirtualClock> virtualClock_;
  platform::Clock* clock_ = nullptr;
  std::unique_ptr<virtualphone::VirtualBus> virtualBus_;
  std::shared_ptr<virtualphone::VirtualPhone> virtualPhone_;
  std::optional<std::filesystem::path> phoneFolder_;
  std::unique_ptr<platform::TracingBus> traced_;
  platform::DeviceBus* bus_ = nullptr;
  bool verbose_ = false;
  std::string lastDebugLine_;
  std::unique_ptr<TMotoP2KMode> p2k_;
  std::unique_ptr<TMotoFlashMode> flash_;
  std::unique_ptr<TMotoATMode> at_;
};

}  // namespace vestrel::cli
