#pragma once

#include <QLabel>
#include <QStatusBar>
#include <QString>
#include <array>
#include <memory>

namespace vestrel::mainwindow {

// A status bar of fixed-width text panels, as the main window lays them out.
class TStatusBar : public QStatusBar {
 public:
  struct PanelSpec {
    int width;
    bool centred;
    const char* accessibleName;
  };
  static constexpr int kPanels = 4;

  TStatusBar(QWidget* parent, const std::array<PanelSpec, kPanels>& panels);

  QString Panel(int index) const { return panels_.at(index)->text(); }
  void SetPanel(int index, const QString& text) { panels_.at(index)->setText(text); }
  QLabel& PanelLabel(int index) { return *panels_.at(index); }

 private:
  std::array<std::unique_ptr<QLabel>, kPanels> panels_;
};

}  // namespace vestrel::mainwindow
