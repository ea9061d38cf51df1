#include "desktop/DeviceNoticeWatcher.h"

namespace vestrel::desktop {

DeviceNoticeWatcher::DeviceNoticeWatcher(platform::DeviceBus& bus, QObject* parent)
    : QObject(parent), bus_(bus), watch_(bus.watchNotices()) {
  if (!watch_ || watch_->descriptor() < 0) return;  // Windows: the event loop lets them in
  notifier_ = std::make_unique<QSocketNotifier>(watch_->descriptor(), QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
    watch_->readable();
    bus_.deliverNotices();
  });
}

}  // namespace vestrel::desktop
