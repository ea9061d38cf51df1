// vestrel-shot WINDOW [--screen] [OPTIONS] FILE.png: renders one window into a PNG file, to
// look at how it is drawn on this desktop. --screen takes the whole screen instead, so a window
// manager's title bar and a notification area's icon show too.
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
#include "tools/ProgramShot.h"
#include "tools/Shot.h"

namespace {

using vestrel::tools::ProgramWindow;
using vestrel::tools::WindowShot;

const WindowShot kWindows[] = {
    {"about", "", vestrel::tools::MakeProgramScene<ProgramWindow::About>},
    {"backup", "[--model MODEL] [--running]", vestrel::tools::MakeBackupScene},
    {"main", "", vestrel::tools::MakeProgramScene<ProgramWindow::Main>},
    {"info", "", vestrel::tools::MakeProgramScene<ProgramWindow::Info>},
    {"delete", "", vestrel::tools::MakeProgramScene<ProgramWindow::DeleteQuestion>},
};

// What a window manager is given to frame the windows before the whole screen is taken.
constexpr int kFramingMs = 1000;

int Usage(const char* program) {
  for (const WindowShot& window : kWindows) {
    std::fprintf(stderr, "usage: %s %s [--screen]%s%s FILE.png\n", program, window.name,
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
  QStringList options = arguments.mid(2, arguments.size() - 3);
  const bool wholeScreen = options.removeAll(QStringLiteral("--screen")) > 0;

  const auto window = std::find_if(std::begin(kWindows), std::end(kWindows),
                                   [&](const WindowShot& w) { return arguments[1] == w.name; });
  if (window == std::end(kWindows)) return Usage(argv[0]);
  const auto scene = window->make(options);
  if (!scene) return Usage(argv[0]);

  int status = 1;
  const int delay = wholeScreen ? std::max(scene->DelayMs(), kFramingMs) : scene->DelayMs();
  QTimer::singleShot(delay, [&] {
    if (QWidget* shown = scene->Window()) {
      const QPixmap picture = wholeScreen ? shown->screen()->grabWindow(0) : shown->grab();
      status = picture.save(file, "PNG") ? 0 : 1;
      if (status != 0) std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
    } else {
      std::fprintf(stderr, "the %s window is not shown; no picture written\n", window->name);
    }
    scene->Finish();
    // Not quit(): that asks the windows to close, and a dialog in the middle of a run refuses,
    // which would cancel the quit for good. The loop ends once a running backup has returned.
    QCoreApplication::exit(status);
  });
  application.exec();
  return status;
}
