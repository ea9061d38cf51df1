// vestrel-window-shots DIR: renders the program's four windows on the built-in virtual phone into
// DIR/main.png, info.png, about.png and backup.png, and prints their paths.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <cstdio>

#include "backup/window/BackUp.h"
#include "desktop/About.h"
#include "desktop/QtDialogs.h"
#include "desktop/QtTrayApplication.h"
#include "desktop/QtTrayArea.h"
#include "mainwindow/Main.h"
#include "mainwindow/MobInfo.h"
#include "platform/Host.h"

using namespace vestrel;

namespace {

bool save(QWidget& window, const QString& file) {
  window.show();
  QApplication::processEvents();
  if (!window.grab().save(file, "PNG")) {
    std::fprintf(stderr, "vestrel-window-shots: cannot write %s\n", qPrintable(file));
    return false;
  }
  std::printf("%s\n", qPrintable(file));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: vestrel-window-shots DIR\n");
    return 2;
  }
  QApplication application(argc, argv);
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  QDir().mkpath(folder.path());
  platform::HostOptions options;
  options.virtualPhone = true;
  const auto host = platform::OpenHost(options);
  desktop::QtDialogs dialogs;
  desktop::QtTrayArea trayArea;
  desktop::QtTrayApplication trayApplication(dialogs);
  mainwindow::TForm1 form1({{host->bus(), host->clock()}, host->registry(), host->shell(), dialogs,
                            trayArea, trayApplication, [](QDialog&) {}, [] {}});
  form1.Timer1.stop();
  mainwindow::TForm2 form2(form1.PhoneLibrary());
  desktop::TForm3 form3(host->shell());
  backup::TForm4 form4({host->bus(), host->clock()}, host->shell(), dialogs);
  form1.SetWindows(form2, form3, form4);
  form1.Timer1Timer();
  form1.FWTDblClick();
  form1.ReadMobile();
  form1.ListView1.selectRow(1);
  form1.ListView1Click();
  bool ok = save(form1, folder.filePath(QStringLiteral("main.png")));
  ok = save(form2, folder.filePath(QStringLiteral("info.png"))) && ok;
  ok = save(form3, folder.filePath(QStringLiteral("about.png"))) && ok;
  ok = save(form4, folder.filePath(QStringLiteral("backup.png"))) && ok;
  return ok ? 0 : 1;
}
