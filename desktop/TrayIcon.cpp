#include "desktop/TrayIcon.h"

#include <bit>

namespace vestrel::desktop {

TTrayIcon::TTrayIcon(QObject* owner, TrayArea& area, TrayApplication& application)
    : QObject(owner), area_(area), application_(application), noTray_(!area.Available()) {
  pForm_ = FindForm(owner);
  SetNIF_MESSAGE(true);
  SetNIF_ICON(true);
  SetNIF_TIP(true);
  record_.hWnd = this;
  record_.uID = std::bit_cast<std::uintptr_t>(this);
  area_.SetOnAvailabilityChanged([this] { AreaChanged(); });
}

TTrayIcon::~TTrayIcon() {
  destroying_ = true;
  // The area must never keep an icon whose window is gone, also when loading never ended.
  loading_ = false;
  if (iconVisible_) SendNotify(NotifyCode::Delete);
  area_.SetOnAvailabilityChanged(nullptr);
  QObject::disconnect(menuWatch_);
}

// The first window up the owner chain is the form this icon shows and hides.
QWidget* TTrayIcon::FindForm(QObject* owner) {
  for (QObject* candidate = owner; candidate; candidate = candidate->parent()) {
    auto* widget = qobject_cast<QWidget*>(candidate);
    if (widget && widget->isWindow()) return widget;
  }
  return nullptr;
}

void TTrayIcon::EndLoading() {
  loading_ = false;
  Loaded();
}

// Nothing reached the area while loading, so the icon is added here for the first time.
void TTrayIcon::Loaded() {
  if (icon_.isNull()) icon_ = application_.ApplicationIcon();
  record_.hIcon = icon_;
  if (iconVisible_) SendNotify(NotifyCode::Add);
  if (!pForm_) return;
  ApplyApplicationVisibility();
  ApplyFormVisibility();
  application_.SetShowMainFormOnRun(formVisible_);
}

void TTrayIcon::SendNotify(NotifyCode code) {
  if (noTray_ || loading_) return;
  area_.Notify(code, record_);
}

void TTrayIcon::SetTip(const QString& tip) {
  tip_ = tip;
  QString shown = tip.section(QLatin1Char('|'), 0, 0);
  int length = std::min<int>(static_cast<int>(shown.size()), kTipCapacity - 1);
  // Never keep half of a surrogate pair.
  if (length > 0 && length < shown.size() && shown.at(length - 1).isHighSurrogate()) --length;
  record_.szTip = shown.left(length);
  if (iconVisible_) SendNotify(NotifyCode::Modify);
}

void TTrayIcon::SetIcon(const QIcon& icon) {
  icon_ = icon;
  IconChanged();
}

void TTrayIcon::IconChanged() {
  record_.hIcon = icon_;
  if (iconVisible_) SendNotify(NotifyCode::Modify);
}

// An icon shown goes with the area and is added to a new one; a hidden form goes to the new
// area, or back to the task bar (minimised) when the area went.
void TTrayIcon::AreaChanged() {
  const bool noTray = !area_.Available();
  if (noTray == noTray_) return;
  if (noTray && iconVisible_) SendNotify(NotifyCode::Delete);
  noTray_ = noTray;
  if (!noTray && iconVisible_) SendNotify(NotifyCode::Add);
  if (onAreaChange_) onAreaChange_(*this);
  if (loading_ || !pForm_) return;
  ApplyApplicationVisibility();
  if (!formVisible_) ApplyFormVisibility();
}

// The area takes new flags only with a fresh add.
void TTrayIcon::SetNotifyFlag(bool& flag, bool value) {
  flag = value;
  record_.uFlags =
      (nifMessage_ ? kNifMessage : 0) | (nifIcon_ ? kNifIcon : 0) | (nifTip_ ? kNifTip : 0);
  if (iconVisible_) {
    SendNotify(NotifyCode::Delete);
    SendNotify(NotifyCode::Add);
  }
}

void TTrayIcon::SetPopupMenu(TPopupMenu* menu) {
  QObject::disconnect(menuWatch_);
  popupMenu_ = menu;
  if (menu) {
    menuWatch_ = connect(menu, &QObject::destroyed, this,
                         [this](QObject* component) { Notification(component); });
  }
}

void TTrayIcon::Notification(QObject* component) {
  if (component && component == popupMenu_) popupMenu_ = nullptr;
}

void TTrayIcon::SetVisibility(VisibilityIndex index, bool value) {
  switch (index) {
    case VisibilityIndex::Icon:
      SendNotify(value ? NotifyCode::Add : NotifyCode::Delete);
      iconVisible_ = value;
      break;
    case VisibilityIndex::Form:
      formVisible_ = value;
      break;
    case VisibilityIndex::App:
      appVisible_ = value;
      break;
  }
  if (loading_ || !pForm_) return;
  ApplyFormVisibility();
  ApplyApplicationVisibility();
  application_.SetShowMainFormOnRun(false);
}

// Without a notification area a hidden form could never be shown again, so it is
// minimised instead and keeps its task-bar entry.
void TTrayIcon::ApplyFormVisibility() {
  if (formVisible_) {
    if (pForm_->isMinimized()) {
      pForm_->showNormal();
    } else {
      pForm_->show();
    }
  } else if (noTray_) {
    pForm_->showMinimized();
  } else {
    pForm_->hide();
  }
}

void TTrayIcon::ApplyApplicationVisibility() {
  application_.ShowApplication(appVisible_ || noTray_);
}

void TTrayIcon::TrayMessage(std::uint32_t message, std::uintptr_t, std::uintptr_t lParam) {
  if (message != kTrayCallbackMessage) return;
  try {
    switch (lParam) {
      case kLeftButtonUp:
        Click(Qt::LeftButton);
        break;
      case kLeftButtonDoubleClick:
        DblClick();
        break;
      case kRightButtonUp:
        Click(Qt::RightButton);
        break;
      default:
        break;
    }
  } catch (...) {
    application_.HandleException(std::current_exception());
  }
}

void TTrayIcon::Click(Qt::MouseButton button) {
  QPoint at = application_.CursorPos();
  if (button == Qt::RightButton && TryPopup(at)) return;
  if (onClick_) onClick_(*this, button, Qt::NoModifier, at.x(), at.y());
}

bool TTrayIcon::TryPopup(QPoint at) {
  if (!iconVisible_ || !popupMenu_ || !popupMenu_->AutoPopup()) return false;
  popupMenu_->SetPopupComponent(this);
  if (!destroying_) application_.CancelMode();
  popupMenu_->Popup(at);
  return true;
}

// A default item of the menu takes the double click; otherwise OnDblClick does.
void TTrayIcon::DblClick() {
  if (iconVisible_ && popupMenu_ && popupMenu_->defaultAction()) {
    for (QAction* item : popupMenu_->actions()) {
      if (item == popupMenu_->defaultAction()) {
        item->trigger();
        return;
      }
    }
  }
  if (onDblClick_) onDblClick_(*this);
}

}  // namespace vestrel::desktop
