#pragma once

#include <QMouseEvent>
#include <QTableWidget>
#include <functional>

namespace vestrel::mainwindow {

// A report list that tells of a mouse click once the click has changed the selection; moving
// the selection with the keyboard is no click.
class TListView : public QTableWidget {
 public:
  using QTableWidget::QTableWidget;
  void SetOnClick(std::function<void()> handler) { onClick_ = std::move(handler); }

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    QTableWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && onClick_) onClick_();
  }

 private:
  std::function<void()> onClick_;
};

}  // namespace vestrel::mainwindow
