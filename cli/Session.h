#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "cli/CommandLine.h"
#include "phonelink/PhoneLink.h"
#include "platform/Host.h"

namespace vestrel::cli {

// The phone link of one run of the tool: the watchers of the three modes on the host's bus.
// With -v items report every debug line to stderr, marked as theirs; the last one is kept.
// The host outlives the session.
class Session {
 public:
  Session(platform::Host& host, const GlobalOptions& options);
  ~Session();

  // The first phone of the mode, opened; null when there is none. A phone that is listed but
  // cannot be opened throws NoPhone with the OS's reason.
  std::shared_ptr<phonelink::TMotoP2KModemItem> P2KPhone();
  std::shared_ptr<phonelink::TMotoFlashModemItem> FlashPhone();
  std::shared_ptr<phonelink::TMotoATModemItem> ATPhone();

  phonelink::TMotoP2KMode& P2K() { return *p2k_; }
  phonelink::TMotoFlashMode& Flash() { return *flash_; }
  phonelink::TMotoATMode& AT() { return *at_; }
  platform::Host& Host() { return host_; }

  // Lets device-change notices reach the watchers, as the windows' event loop would.
  void Pump();

  // Progress is drawn on a terminal unless -q asked for quiet; -q also drops the log lines.
  bool ShowsProgress() const;
  bool Quiet() const { return quiet_; }

  // The last debug line an item reported ("" when none).
  const std::string& LastDebugLine() const { return lastDebugLine_; }

 private:
  template <class Item>
  phonelink::TModemDebugEvent<Item> Reporter();

  platform::Host& host_;
  bool verbose_ = false;
  bool quiet_ = false;
  std::string lastDebugLine_;
  std::unique_ptr<phonelink::TMotoP2KMode> p2k_;
  std::unique_ptr<phonelink::TMotoFlashMode> flash_;
  std::unique_ptr<phonelink::TMotoATMode> at_;
};

}  // namespace vestrel::cli
