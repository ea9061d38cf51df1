#pragma once

#include <QString>
#include <optional>

#include "desktop/Dialogs.h"

class QWidget;

namespace vestrel::backup {

// A file save dialog as a component: its filter is kept in the "Name|*.ext|..." form and turned
// into Qt's "Name (*.ext);;..." when shown. No default extension, no initial folder.
class TSaveDialog {
 public:
  TSaveDialog(desktop::Dialogs& dialogs, QWidget* owner) : dialogs_(dialogs), owner_(owner) {}

  QString Filter;
  QString FileName;

  // Shows the dialog; true with FileName set when the user chose a name.
  bool Execute();

  // "BIN|*.bin" becomes "BIN (*.bin)", "Data|*.bin;*.dat" "Data (*.bin *.dat)"; a last name
  // without its patterns stands for both.
  static QString QtFilter(const QString& filter);

 private:
  desktop::Dialogs& dialogs_;
  QWidget* owner_;
};

}  // namespace vestrel::backup
