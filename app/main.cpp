// vestrel: the program. It lives in the notification area and shows its windows from there.
#include <QApplication>
#include <cstdio>
#include <exception>

#include "app/ProgramOptions.h"
#include "backup/window/BackUp.h"
#include "desktop/About.h"
#include "desktop/DeviceNoticeWatcher.h"
#include "desktop/ProgramLook.h"
#include "desktop/QtDialogs.h"
#include "desktop/QtTrayApplication.h"
#include "desktop/QtTrayArea.h"
#include "generated/Version.h"
#include "mainwindow/Main.h"
#include "mainwindow/MobInfo.h"
#include "platform/Console.h"

using namespace vestrel;

namespace {

constexpr const char* kHelp =
    "\nVestrel manages P2K phones attached by USB from the notification area.\n\n"
    "  --virtual-phone[=DIR]  use the virtual phone (kept in DIR, shared with vestrel-cli)\n"
    "  --show                 start with the main window shown\n"
    "  --trace FILE           write the wire trace to FILE (else $VESTREL_TRACE)\n"
    "  --help, --version\n";

int RunProgram(QApplication& application, const app::ProgramOptions& options) {
  const auto host = platform::OpenHost(options.host);
  desktop::QtDialogs dialogs;
  desktop::QtTrayArea trayArea;
  desktop::QtTrayApplication trayApplication(dialogs);
  // The program ends through "Выход" or the end of the session, never because the last
  // visible dialog closed while the main window sits in the notification area.
  application.setQuitOnLastWindowClosed(false);
  int status = 0;
  {
    mainwindow::TForm1 form1({{host->bus(), host->clock()},
                              host->registry(),
                              host->shell(),
                              dialogs,
                              trayArea,
                              trayApplication,
                              [](QDialog& dialog) { dialog.exec(); },
                              [] { QCoreApplication::exit(0); }});
    mainwindow::TForm2 form2(form1.PhoneLibrary());
    desktop::TForm3 form3(host->shell());
    backup::TForm4 form4({host->bus(), host->clock()}, host->shell(), dialogs);
    form1.SetWindows(form2, form3, form4);
    // Device changes come in through the event loop and make the windows' passes due; with
    // nothing changing no timer runs.
    desktop::DeviceNoticeWatcher deviceNotices(host->bus());
    if (options.show || trayApplication.ShowMainFormOnRun()) form1.FWTDblClick();
    status = application.exec();
  }
  host->save();
  return status;
}

}  // namespace

// The options are read before Qt starts, so --help and --version need no display.
int main(int argc, char** argv) {
  try {
    const auto arguments = platform::CommandLineArguments(argc, argv);
    const auto options =
        app::ParseProgramOptions(std::vector<std::string>(arguments.begin() + 1, arguments.end()));
    if (options.help) {
      std::printf("%s%s", app::kUsage, kHelp);
      return 0;
    }
    if (options.version) {
      std::printf("vestrel %s\n", kVersion);
      return 0;
    }
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    QApplication::setApplicationName(QStringLiteral("Vestrel"));
    QApplication::setApplicationVersion(QString::fromUtf8(kVersion));
    desktop::ApplyProgramLook(application);
    return RunProgram(application, options);
  } catch (const app::UsageError& e) {
    std::fprintf(stderr, "vestrel: %s\n%s", e.what(), app::kUsage);
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vestrel: %s\n", e.what());
    return 1;
  }
}
