// vestrel-shot WINDOW [OPTIONS] FILE.png: renders one window into a PNG file, to look at how
// it is drawn on this desktop.
#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <iterator>

#include "desktop/ProgramLook.h"
#include "tools/BackupShot.h"
#include "tools/MainShot.h"
#include "tools/Shot.h"

namespace {

using vestrel::tools::WindowShot;

const WindowShot kWindows[] = {
    {"about", "[--screen]", vestrel::tools::MakeAboutScene},
    {"backup", "[--model MODEL] [--running]", vestrel::tools::MakeBackupScene},
    {"main", "", vestrel::tools::MakeMainScene},
    {"info", "", vestrel::tools::MakeInfoScene},
};

int Usage(const char* program) {
  for (const WindowShot& window : kWindows) {
    std::fprintf(stderr, "usage: %s %s%s%s FILE.png\n", program, window.name,
                 *window.options ? " " : "", window.options);
  }
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  vestrel::desktop::ApplyProgramLook(application);
  const QStringList arguments = application.arguments();
  if (arguments.size() < 3) return Usage(argv[0]);
  const QString file = arguments.last();
  const QStringList options = arguments.mid(2, arguments.size() - 3);

  const auto window = std::find_if(std::begin(kWindows), std::end(kWindows),
                                   [&](const WindowShot& w) { return arguments[1] == w.name; });
  if (window == std::end(kWindows)) return Usage(argv[0]);
  const auto scene = window->make(options);
  if (!scene) return Usage(argv[0]);

  int status = 1;
  QTimer::singleShot(scene->DelayMs(), [&] {
    QWidget& shown = scene->Window();
    const QPixmap picture = scene->WholeScreen() ? shown.screen()->grabWindow(0) : shown.grab();
    status = picture.save(file, "PNG") ? 0 : 1;
    if (status != 0) std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
    scene->Finish();
    // Not quit(): that asks the windows to close, and a dialog in the middle of a run refuses,
    // which would cancel the quit for good. The loop ends once a running backup has returned.
    QCoreApplication::exit(status);
  });
  application.exec();
  return status;
}
