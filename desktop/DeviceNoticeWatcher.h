#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

#include "platform/DeviceBus.h"

namespace vestrel::desktop {

// Lets the bus's device-change events into the Qt event loop: a socket notifier on the bus's
// notice descriptor reads them when it turns readable and delivers the notices, so the
// windows' polling passes make no system call to look for changes. Where the bus has no
// descriptor it does nothing, and the passes' own deliverNotices() finds the changes. Made
// once where the program is assembled; the bus outlives it.
class DeviceNoticeWatcher final : public QObject {
 public:
  explicit DeviceNoticeWatcher(platform::DeviceBus& bus, QObject* parent = nullptr);

  // True when the bus gave a descriptor to wait on.
  bool Watching() const { return notifier_ != nullptr; }

 private:
  platform::DeviceBus& bus_;
  std::unique_ptr<platform::NoticeWatch> watch_;
  std::unique_ptr<QSocketNotifier> notifier_;  // after watch_: it goes before the descriptor
};

}  // namespace vestrel::desktop
