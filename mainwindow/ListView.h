#pragma once

#include <QMouseEvent>
#include <QTableView>
#include <functional>

namespace vestrel::mainwindow {

// A report list that tells of a mouse click once the click has changed the selection; moving
// the selection with the keyboard is no click.
class TListView : public QTableView {
 public:
  using QTableView::QTableView;
  void SetOnClick(std::function<void()> handler) { onClick_ = std::move(handler); }
  // The rows the model holds; 0 without one.
  int rowCount() const { return model() ? model()->rowCount() : 0; }

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    QTableView::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && onClick_) onClick_();
  }

 private:
  std::function<void()> onClick_;
};

}  // namespace vestrel::mainwindow
