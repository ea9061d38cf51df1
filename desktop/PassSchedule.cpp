#include "desktop/PassSchedule.h"

namespace vestrel::desktop {

PassSchedule::PassSchedule(QTimer& trigger, QObject* parent) : QObject(parent), trigger_(trigger) {
  retry_.setSingleShot(true);
  retry_.setInterval(kRetryMs);
  connect(&retry_, &QTimer::timeout, this, [this] { RetryTimerTimer(); });
}

void PassSchedule::Request() {
  if (!passing_ && !trigger_.isActive()) trigger_.start();
}

void PassSchedule::Begin() {
  passing_ = true;
  trigger_.stop();
}

void PassSchedule::End(bool again) {
  passing_ = false;
  if (again) {
    retry_.start();
  } else {
    retry_.stop();
  }
}

}  // namespace vestrel::desktop
