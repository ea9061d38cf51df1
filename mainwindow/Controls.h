#pragma once

#include <QAction>
#include <QObject>
#include <QWidget>

namespace vestrel::mainwindow {

// Every polling pass sets every phone control; a control is touched only when its state really
// changes.
template <class Control>
void SetEnabledIfChanged(Control& control, bool enabled) {
  if (control.isEnabled() != enabled) control.setEnabled(enabled);
}

inline void SetEnabledIfChanged(QObject* control, bool enabled) {
  if (auto* action = qobject_cast<QAction*>(control)) {
    SetEnabledIfChanged(*action, enabled);
  } else if (auto* widget = qobject_cast<QWidget*>(control)) {
    SetEnabledIfChanged(*widget, enabled);
  }
}

}  // namespace vestrel::mainwindow
