#pragma once

#include <QLabel>
#include <QString>
#include <QWidget>
#include <array>
#include <memory>

namespace vestrel::mainwindow {

// A status bar of text panels side by side, each of its given width from the left edge; the
// last panel also takes whatever room the bar has beyond the others, as a status bar's last
// panel does. A panel's shown text is its accessible name, so a screen reader reads it and hears
// each change; its purpose is the description.
class TStatusBar : public QWidget {
 public:
  struct PanelSpec {
    int width;
    bool centred;
    const char* purpose;
  };
  static constexpr int kPanels = 4;

  TStatusBar(QWidget* parent, const std::array<PanelSpec, kPanels>& panels);

  QString Panel(int index) const { return panels_.at(index)->text(); }
  // Sets the text only when it differs, so an unchanged status costs no repaint.
  void SetPanel(int index, const QString& text);
  // Sets the text and draws it at once, for a text shown just before the window is busy
  // without letting its events in.
  void ShowNow(int index, const QString& text);
  QLabel& PanelLabel(int index) { return *panels_.at(index); }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  std::array<int, kPanels> widths_{};
  std::array<std::unique_ptr<QLabel>, kPanels> panels_;
};

}  // namespace vestrel::mainwindow
