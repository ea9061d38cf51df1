// Renders the About box into a PNG file, to look at how it is drawn on this desktop.
// With --screen the program's tray icon is added too and the whole screen is taken, so a
// notification area running on the display (trayer under Xvfb) shows the icon beside the box.
#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "desktop/About.h"
#include "desktop/QtDialogs.h"
#include "desktop/QtTrayApplication.h"
#include "desktop/QtTrayArea.h"
#include "desktop/TrayIcon.h"
#include "platform/linux/LinuxShell.h"

namespace {

QIcon phoneIcon() {
  QPixmap pixmap(22, 22);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setBrush(QColor(0x00, 0x00, 0x80));
  painter.drawRoundedRect(6, 1, 10, 20, 2, 2);
  painter.fillRect(8, 4, 6, 8, Qt::white);
  return QIcon(pixmap);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  const bool wholeScreen = argc == 3 && std::strcmp(argv[1], "--screen") == 0;
  if (argc != 2 && !wholeScreen) {
    std::fprintf(stderr, "usage: %s [--screen] FILE.png\n", argv[0]);
    return 2;
  }
  const QString file = QString::fromLocal8Bit(argv[argc - 1]);
  vestrel::platform::LinuxShell shell;
  vestrel::desktop::QtDialogs dialogs;
  vestrel::desktop::QtTrayArea area;
  vestrel::desktop::QtTrayApplication trayApplication(dialogs);
  QWidget hiddenForm;
  vestrel::desktop::TTrayIcon tray(&hiddenForm, area, trayApplication);
  if (wholeScreen) {
    tray.BeginLoading();
    tray.SetIcon(phoneIcon());
    tray.SetTip(QStringLiteral("Vestrel"));
    tray.SetIconVisible(true);
    tray.SetFormVisible(false);
    tray.SetAppVisible(false);
    tray.EndLoading();
  }
  vestrel::desktop::TForm3 about(shell);
  about.show();
  int status = 1;
  QTimer::singleShot(wholeScreen ? 1000 : 200, [&] {
    QPixmap picture = wholeScreen ? about.screen()->grabWindow(0) : about.grab();
    status = picture.save(file, "PNG") ? 0 : 1;
    if (status != 0) std::fprintf(stderr, "cannot write %s\n", argv[argc - 1]);
    application.quit();
  });
  application.exec();
  return status;
}
