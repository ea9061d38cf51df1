#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <memory>

#include "platform/DeviceBus.h"

namespace vestrel::desktop {

// Lets the bus's device-change events into the Qt event loop: a socket notifier on the bus's
// notice descriptor reads them when it turns readable and delivers the notices, so the
// windows' polling passes make no system call to look for changes. A bus whose watch has no
// descriptor (Windows, where the loop itself lets the device-change messages in) gets a slow
// check instead: a timer that delivers what the messages marked, so a device notice still
// makes a pass due while no other pass runs. A bus without a watch is left to the passes' own
// deliverNotices(). Made once where the program is assembled; the bus outlives it.
class DeviceNoticeWatcher final : public QObject {
 public:
  // How often the slow check delivers, in milliseconds.
  static constexpr int kSlowCheckMs = 250;

  explicit DeviceNoticeWatcher(platform::DeviceBus& bus, QObject* parent = nullptr);

  // True when the bus gave a descriptor to wait on.
  bool Watching() const { return notifier_ != nullptr; }
  // True while the slow check runs (a watch without a descriptor).
  bool Checking() const { return slowCheck_ != nullptr; }

 private:
  platform::DeviceBus& bus_;
  std::unique_ptr<platform::NoticeWatch> watch_;
  std::unique_ptr<QSocketNotifier> notifier_;  // after watch_: it goes before the descriptor
  std::unique_ptr<QTimer> slowCheck_;
};

}  // namespace vestrel::desktop
