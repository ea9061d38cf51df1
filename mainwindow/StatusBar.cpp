#include "mainwindow/StatusBar.h"

#include <QAccessible>

namespace vestrel::mainwindow {

TStatusBar::TStatusBar(QWidget* parent, const std::array<PanelSpec, kPanels>& panels)
    : QWidget(parent) {
  for (int i = 0; i < kPanels; ++i) {
    const PanelSpec& spec = panels.at(i);
    auto label = std::make_unique<QLabel>(this);
    widths_.at(i) = spec.width;
    label->setAlignment((spec.centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setAccessibleDescription(QString::fromUtf8(spec.purpose));
    panels_.at(i) = std::move(label);
  }
}

void TStatusBar::SetPanel(int index, const QString& text) {
  QLabel& panel = *panels_.at(index);
  if (panel.text() == text) return;
  panel.setText(text);
  // A label does not tell a screen reader of its new text itself.
  QAccessibleEvent changed(&panel, QAccessible::NameChanged);
  QAccessible::updateAccessibility(&changed);
}

void TStatusBar::ShowNow(int index, const QString& text) {
  SetPanel(index, text);
  panels_.at(index)->repaint();
}

void TStatusBar::resizeEvent(QResizeEvent*) {
  int left = 0;
  for (int i = 0; i < kPanels; ++i) {
    const int width =
        i + 1 < kPanels ? widths_.at(i) : std::max(widths_.at(i), this->width() - left);
    panels_.at(i)->setGeometry(left, 0, width, height());
    left += width;
  }
}

}  // namespace vestrel::mainwindow
