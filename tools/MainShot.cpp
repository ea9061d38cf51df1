#include "tools/MainShot.h"

#include "backup/window/BackUp.h"
#include "desktop/About.h"
#include "desktop/QtDialogs.h"
#include "desktop/QtTrayApplication.h"
#include "desktop/QtTrayArea.h"
#include "mainwindow/Main.h"
#include "mainwindow/MobInfo.h"
#include "platform/Host.h"

namespace vestrel::tools {
namespace {

enum class Shown { Main, Info };

// The program's four windows in its order; the first pass has found the phone. Writes
// nothing outside memory: the virtual phone is not kept and autostart is not touched.
class ProgramScene final : public Scene {
 public:
  explicit ProgramScene(Shown shown) : shown_(shown) {
    form1_.Timer1.stop();
    form1_.SetWindows(form2_, form3_, form4_);
    form1_.Timer1Timer();
    if (shown_ == Shown::Info) {
      form2_.show();
      return;
    }
    form1_.FWTDblClick();
    form1_.ReadMobile();
    form1_.ListView1.selectRow(1);
    form1_.ListView1Click();
  }

  QWidget& Window() override {
    if (shown_ == Shown::Info) return form2_;
    return form1_;
  }

 private:
  static platform::HostOptions VirtualPhone() {
    platform::HostOptions options;
    options.virtualPhone = true;
    return options;
  }

  Shown shown_;
  std::unique_ptr<platform::Host> host_ = platform::OpenHost(VirtualPhone());
  desktop::QtDialogs dialogs_;
  desktop::QtTrayArea trayArea_;
  desktop::QtTrayApplication trayApplication_{dialogs_};
  mainwindow::TForm1 form1_{{{host_->bus(), host_->clock()},
                             host_->registry(),
                             host_->shell(),
                             dialogs_,
                             trayArea_,
                             trayApplication_,
                             [](QDialog&) {},
                             [] {}}};
  mainwindow::TForm2 form2_{form1_.PhoneLibrary()};
  desktop::TForm3 form3_{host_->shell()};
  backup::TForm4 form4_{{host_->bus(), host_->clock()}, host_->shell(), dialogs_};
};

}  // namespace

std::unique_ptr<Scene> MakeMainScene(const QStringList& options) {
  if (!options.isEmpty()) return nullptr;
  return std::make_unique<ProgramScene>(Shown::Main);
}

std::unique_ptr<Scene> MakeInfoScene(const QStringList& options) {
  if (!options.isEmpty()) return nullptr;
  return std::make_unique<ProgramScene>(Shown::Info);
}

}  // namespace vestrel::tools
