// Renders the About box into a PNG file, to look at how it is drawn on this desktop.
#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QTimer>
#include <cstdio>

#include "desktop/About.h"
#include "platform/linux/LinuxShell.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FILE.png\n", argv[0]);
    return 2;
  }
  vestrel::platform::LinuxShell shell;
  vestrel::desktop::TForm3 about(shell);
  about.show();
  int status = 1;
  QTimer::singleShot(200, [&] {
    status = about.grab().save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
    if (status != 0) std::fprintf(stderr, "cannot write %s\n", argv[1]);
    application.quit();
  });
  application.exec();
  return status;
}
