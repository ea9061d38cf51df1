#include "mainwindow/StatusBar.h"

namespace vestrel::mainwindow {

TStatusBar::TStatusBar(QWidget* parent, const std::array<PanelSpec, kPanels>& panels)
    : QStatusBar(parent) {
  setSizeGripEnabled(false);
  for (int i = 0; i < kPanels; ++i) {
    const PanelSpec& spec = panels.at(i);
    auto label = std::make_unique<QLabel>();
    label->setFixedWidth(spec.width);
    label->setAlignment((spec.centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setAccessibleName(QString::fromUtf8(spec.accessibleName));
    addWidget(label.get());
    panels_.at(i) = std::move(label);
  }
}

}  // namespace vestrel::mainwindow
