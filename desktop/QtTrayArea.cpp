#include "desktop/QtTrayArea.h"

#include <QGuiApplication>
#include <QScreen>

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

namespace vestrel::desktop {

// The platform's notice is only named by its signature, so it needs a slot to land in.
class QtTrayArea::Watch : public QObject {
  Q_OBJECT
 public:
  explicit Watch(std::function<void()>& changed) : changed_(changed) {}
 public slots:
  void TrayWindowChanged() {
    if (changed_) changed_();
  }

 private:
  std::function<void()>& changed_;
};

QtTrayArea::QtTrayArea() = default;
QtTrayArea::~QtTrayArea() = default;

void QtTrayArea::SetOnAvailabilityChanged(std::function<void()> changed) {
  changed_ = std::move(changed);
  if (watch_) return;
  // The X11 platform says when the tray window changes; other platforms have no such notice.
  // The native interface is a QObject whose class is only in Qt's private headers.
  auto* platform = reinterpret_cast<QObject*>(QGuiApplication::platformNativeInterface());
  if (!platform || platform->metaObject()->indexOfSignal("systemTrayWindowChanged(QScreen*)") < 0)
    return;
  watch_ = std::make_unique<Watch>(changed_);
  QObject::connect(platform, SIGNAL(systemTrayWindowChanged(QScreen*)), watch_.get(),
                   SLOT(TrayWindowChanged()));
}

}  // namespace vestrel::desktop

#include "QtTrayArea.moc"
