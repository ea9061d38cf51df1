#include "desktop/QtTrayArea.h"

namespace vestrel::desktop {
namespace {

// Qt's activation reasons as the mouse messages the area would have sent.
std::uintptr_t mouseMessageOf(QSystemTrayIcon::ActivationReason reason) {
  switch (reason) {
    case QSystemTrayIcon::Trigger:
      return kLeftButtonUp;
    case QSystemTrayIcon::DoubleClick:
      return kLeftButtonDoubleClick;
    case QSystemTrayIcon::Context:
      return kRightButtonUp;
    default:
      return 0;
  }
}

}  // namespace

bool QtTrayArea::Notify(NotifyCode code, const NotifyIconRecord& record) {
  IconId id{record.hWnd, record.uID};
  auto found = icons_.find(id);
  switch (code) {
    case NotifyCode::Add: {
      if (found != icons_.end()) return false;
      auto icon = std::make_unique<QSystemTrayIcon>();
      Update(*icon, record);
      if ((record.uFlags & kNifMessage) && record.hWnd) {
        QObject::connect(icon.get(), &QSystemTrayIcon::activated,
                         [window = record.hWnd, message = record.uCallbackMessage,
                          uid = record.uID](QSystemTrayIcon::ActivationReason reason) {
                           if (auto mouse = mouseMessageOf(reason)) {
                             window->TrayMessage(message, uid, mouse);
                           }
                         });
      }
      icon->show();
      icons_.emplace(id, std::move(icon));
      return true;
    }
    case NotifyCode::Modify:
      if (found == icons_.end()) return false;
      Update(*found->second, record);
      return true;
    case NotifyCode::Delete:
      if (found == icons_.end()) return false;
      icons_.erase(found);
      return true;
  }
  return false;
}

void QtTrayArea::Update(QSystemTrayIcon& icon, const NotifyIconRecord& record) {
  if (record.uFlags & kNifIcon) icon.setIcon(record.hIcon);
  if (record.uFlags & kNifTip) icon.setToolTip(record.szTip);
}

}  // namespace vestrel::desktop
