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
  bool Available() override { return QSystemTrayIcon::isSystemTrayAvailable(); }
  bool Notify(NotifyCode code, const NotifyIconRecord& record) override;

 private:
  using IconId = std::pair<TrayMessageWindow*, std::uintptr_t>;

  static void Update(QSystemTrayIcon& icon, const NotifyIconRecord& record);

  std::map<IconId, std::unique_ptr<QSystemTrayIcon>> icons_;
};

}  // namespace vestrel::desktop
