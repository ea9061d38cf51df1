// vestrel-backup-idle [--virtual-phone[=DIR]] [--show]: the backup dialog alone, hidden as it
// sits in the program between showings, or shown. scripts/timer-cost measures its wake-ups and
// CPU against the bare 1 ms timer.
#include <QApplication>
#include <cstdio>
#include <exception>

#include "app/ProgramOptions.h"
#include "backup/window/BackUp.h"
#include "desktop/DeviceNoticeWatcher.h"
#include "desktop/QtDialogs.h"

using namespace vestrel;

int main(int argc, char** argv) {
  try {
    const auto options = app::ParseProgramOptions(std::vector<std::string>(argv + 1, argv + argc));
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    const auto host = platform::OpenHost(options.host);
    desktop::QtDialogs dialogs;
    backup::TForm4 form4({host->bus(), host->clock()}, host->shell(), dialogs);
    desktop::DeviceNoticeWatcher deviceNotices(host->bus());
    if (options.show) form4.show();
    return application.exec();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vestrel-backup-idle: %s\n", e.what());
    return 1;
  }
}
