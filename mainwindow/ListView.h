#pragma once

#include <QTableView>

namespace vestrel::mainwindow {

// The report list of the phone's files; the window follows its selection (Main.h).
class TListView : public QTableView {
 public:
  using QTableView::QTableView;
  // The rows the model holds; 0 without one.
  int rowCount() const { return model() ? model()->rowCount() : 0; }
};

}  // namespace vestrel::mainwindow
