#include "desktop/DeviceNoticeWatcher.h"

namespace vestrel::desktop {

DeviceNoticeWatcher::DeviceNoticeWatcher(platform::DeviceBus& bus, QObject* parent)
    : QObject(parent), bus_(bus), watch_(bus.watchNotices()) {
  if (!watch_) return;
  if (watch_->descriptor() < 0) {
    slowCheck_ = std::make_unique<QTimer>();
    slowCheck_->setInterval(kSlowCheckMs);
    connect(slowCheck_.get(), &QTimer::timeout, this, [this] { bus_.deliverNotices(); });
    slowCheck_->start();
    return;
  }
  notifier_ = std::make_unique<QSocketNotifier>(watch_->descriptor(), QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
    watch_->readable();
    bus_.deliverNotices();
  });
}

}  // namespace vestrel::desktop
