#pragma once

#include <QMenu>
#include <QPoint>
#include <QPointer>

namespace vestrel::desktop {

// A popup menu that can be switched off for automatic popping up and remembers which
// component popped it up.
class TPopupMenu : public QMenu {
 public:
  using QMenu::QMenu;

  bool AutoPopup() const { return autoPopup_; }
  void SetAutoPopup(bool autoPopup) { autoPopup_ = autoPopup; }
  QObject* PopupComponent() const { return popupComponent_; }
  void SetPopupComponent(QObject* component) { popupComponent_ = component; }

  // Shows the menu at screen position `at` and returns when it has closed.
  virtual void Popup(QPoint at) { exec(at); }

 private:
  bool autoPopup_ = true;
  QPointer<QObject> popupComponent_;
};

}  // namespace vestrel::desktop
