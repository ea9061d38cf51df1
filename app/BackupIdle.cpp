// vestrel-backup-idle [--virtual-phone[=DIR]]: the backup dialog alone, hidden, with its 1 ms
// timer running, as it sits in the program between showings. scripts/timer-cost measures its
// CPU against the bare timer.
#include <QApplication>
#include <cstdio>
#include <exception>

#include "app/ProgramOptions.h"
#include "backup/window/BackUp.h"
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
    return application.exec();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vestrel-backup-idle: %s\n", e.what());
    return 1;
  }
}
