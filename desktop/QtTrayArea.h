#pragma once

#include <QSystemTrayIcon>
#include <map>
#include <memory>
#include <utility>

#include "desktop/TrayArea.h"

namespace vestrel::desktop {

// The notification area through QSystemTrayIcon: one Qt tray icon per added record, whose
// clicks come back to the record's window as the callback message.
class QtTrayArea final : public TrayArea {
 public:
  QtTrayArea();
  ~QtTrayArea() override;
  bool Available() override { return QSystemTrayIcon::isSystemTrayAvailable(); }
  bool Notify(NotifyCode code, const NotifyIconRecord& record) override;
  // Follows the X11 tray selection's owner through the platform's own notice; elsewhere the
  // notification area never goes.
  void SetOnAvailabilityChanged(std::function<void()> changed) override;

 private:
  using IconId = std::pair<TrayMessageWindow*, std::uintptr_t>;

  static void Update(QSystemTrayIcon& icon, const NotifyIconRecord& record);

  std::map<IconId, std::unique_ptr<QSystemTrayIcon>> icons_;
  class Watch;
  std::function<void()> changed_;
  std::unique_ptr<Watch> watch_;
};

}  // namespace vestrel::desktop
