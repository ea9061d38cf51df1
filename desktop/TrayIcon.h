#pragma once

#include <QIcon>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

#include "desktop/PopupMenu.h"
#include "desktop/TrayApplication.h"
#include "desktop/TrayArea.h"

namespace vestrel::desktop {

// One icon in the notification area: keeps its image and tip up to date, turns clicks on
// it into the popup menu and events, and decides whether the owning form and the
// application's task-bar entry are shown.
//
// Where the desktop has no notification area (the no-tray flag) the area is never called,
// and hiding the form minimises it instead, with its task-bar entry kept, so the window can
// always be reached again. The flag follows the area as it comes and goes (a panel started
// after the program): the icon is added when it comes, and a hidden form moves between the
// area and the task bar.
class TTrayIcon : public QObject, private TrayMessageWindow {
 public:
  using TMouseEvent = std::function<void(TTrayIcon& Sender, Qt::MouseButton Button,
                                         Qt::KeyboardModifiers Shift, int X, int Y)>;
  using TNotifyEvent = std::function<void(TTrayIcon& Sender)>;

  // `owner` starts the owner chain in which PForm is looked for.
  TTrayIcon(QObject* owner, TrayArea& area, TrayApplication& application);
  ~TTrayIcon() override;
  TTrayIcon(const TTrayIcon&) = delete;
  TTrayIcon& operator=(const TTrayIcon&) = delete;

  // The owning window sets the designed values between these two calls; the area and the
  // form are left alone until EndLoading, which runs Loaded.
  void BeginLoading() { loading_ = true; }
  void EndLoading();

  const QString& Tip() const { return tip_; }
  void SetTip(const QString& tip);
  const QIcon& Icon() const { return icon_; }
  void SetIcon(const QIcon& icon);
  bool NIF_MESSAGE() const { return nifMessage_; }
  void SetNIF_MESSAGE(bool value) { SetNotifyFlag(nifMessage_, value); }
  bool NIF_ICON() const { return nifIcon_; }
  void SetNIF_ICON(bool value) { SetNotifyFlag(nifIcon_, value); }
  bool NIF_TIP() const { return nifTip_; }
  void SetNIF_TIP(bool value) { SetNotifyFlag(nifTip_, value); }
  TPopupMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(TPopupMenu* menu);
  const TMouseEvent& OnClick() const { return onClick_; }
  void SetOnClick(TMouseEvent handler) { onClick_ = std::move(handler); }
  const TNotifyEvent& OnDblClick() const { return onDblClick_; }
  void SetOnDblClick(TNotifyEvent handler) { onDblClick_ = std::move(handler); }
  // Called when the notification area came or went, before the form's visibility is applied
  // again; NoTray() already tells the new state.
  void SetOnAreaChange(TNotifyEvent handler) { onAreaChange_ = std::move(handler); }
  QWidget* PForm() const { return pForm_; }
  bool IconVisible() const { return iconVisible_; }
  void SetIconVisible(bool value) { SetVisibility(VisibilityIndex::Icon, value); }
  bool FormVisible() const { return formVisible_; }
  void SetFormVisible(bool value) { SetVisibility(VisibilityIndex::Form, value); }
  bool AppVisible() const { return appVisible_; }
  void SetAppVisible(bool value) { SetVisibility(VisibilityIndex::App, value); }

  // True where the desktop has no notification area.
  bool NoTray() const { return noTray_; }
  const NotifyIconRecord& Record() const { return record_; }

 protected:
  virtual void Loaded();
  virtual void Notification(QObject* component);
  virtual void Click(Qt::MouseButton button);
  virtual void DblClick();

 private:
  enum class VisibilityIndex { Icon, Form, App };

  void TrayMessage(std::uint32_t message, std::uintptr_t wParam, std::uintptr_t lParam) override;
  void SendNotify(NotifyCode code);
  void SetNotifyFlag(bool& flag, bool value);
  void SetVisibility(VisibilityIndex index, bool value);
  void IconChanged();
  void AreaChanged();
  bool TryPopup(QPoint at);
  void ApplyFormVisibility();
  void ApplyApplicationVisibility();
  static QWidget* FindForm(QObject* owner);

  TrayArea& area_;
  TrayApplication& application_;
  bool loading_ = false;
  bool destroying_ = false;
  bool noTray_;
  QString tip_;
  QIcon icon_;
  bool nifMessage_ = false;
  bool nifIcon_ = false;
  bool nifTip_ = false;
  TPopupMenu* popupMenu_ = nullptr;  // not owned; cleared by Notification when destroyed
  QMetaObject::Connection menuWatch_;
  TMouseEvent onClick_;
  TNotifyEvent onDblClick_;
  TNotifyEvent onAreaChange_;
  QPointer<QWidget> pForm_;
  bool iconVisible_ = false;
  bool formVisible_ = false;
  bool appVisible_ = false;
  NotifyIconRecord record_;
};

}  // namespace vestrel::desktop
