// The About box for the screenshot tool. With --screen the program's tray icon is added too
// and the whole screen is taken, so a notification area running on the display (trayer under
// Xvfb) shows the icon beside the box.
#include <QPainter>
#include <QPixmap>

#include "desktop/About.h"
#include "desktop/QtDialogs.h"
#include "desktop/QtTrayApplication.h"
#include "desktop/QtTrayArea.h"
#include "desktop/TrayIcon.h"
#include "platform/Host.h"
#include "tools/Shot.h"

namespace vestrel::tools {
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

class AboutScene final : public Scene {
 public:
  explicit AboutScene(bool wholeScreen) : wholeScreen_(wholeScreen) {
    if (wholeScreen_) {
      tray_.BeginLoading();
      tray_.SetIcon(phoneIcon());
      tray_.SetTip(QStringLiteral("Vestrel"));
      tray_.SetIconVisible(true);
      tray_.SetFormVisible(false);
      tray_.SetAppVisible(false);
      tray_.EndLoading();
    }
    about_.show();
  }

  QWidget& Window() override { return about_; }
  bool WholeScreen() const override { return wholeScreen_; }
  int DelayMs() const override { return wholeScreen_ ? 1000 : 200; }

 private:
  static platform::HostOptions InMemoryPhone() {
    platform::HostOptions options;
    options.virtualPhone = true;
    return options;
  }

  bool wholeScreen_;
  // The build's own shell, from a host that reaches no real phone.
  std::unique_ptr<platform::Host> host_ = platform::OpenHost(InMemoryPhone());
  desktop::QtDialogs dialogs_;
  desktop::QtTrayArea area_;
  desktop::QtTrayApplication trayApplication_{dialogs_};
  QWidget hiddenForm_;
  desktop::TTrayIcon tray_{&hiddenForm_, area_, trayApplication_};
  desktop::TForm3 about_{host_->shell()};
};

}  // namespace

std::unique_ptr<Scene> MakeAboutScene(const QStringList& options) {
  if (options.isEmpty()) return std::make_unique<AboutScene>(false);
  if (options == QStringList{QStringLiteral("--screen")}) return std::make_unique<AboutScene>(true);
  return nullptr;
}

}  // namespace vestrel::tools
