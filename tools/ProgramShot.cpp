#include "tools/ProgramShot.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

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

// The program's four windows in its order; the first pass has found the phone. Writes
// nothing outside memory: the virtual phone is not kept and autostart is not touched.
class ProgramScene final : public Scene {
 public:
  explicit ProgramScene(ProgramWindow window) : window_(window) {
    form1_.Timer1.stop();
    form1_.SetWindows(form2_, form3_, form4_);
    form1_.Timer1Timer();
    if (window_ == ProgramWindow::Info) {
      form2_.show();
      return;
    }
    if (window_ == ProgramWindow::About) {
      form3_.show();
      return;
    }
    form1_.FWTDblClick();
    form1_.ReadMobile();
    form1_.ListView1.selectRow(1);
    form1_.ListView1Click();
    if (window_ != ProgramWindow::DeleteQuestion) return;
    // The question runs its own loop, inside which the picture is taken.
    QTimer::singleShot(0, &form1_, [this] { form1_.SpeedButton3.click(); });
  }

  QWidget* Window() override {
    switch (window_) {
      case ProgramWindow::Info:
        return &form2_;
      case ProgramWindow::About:
        return &form3_;
      case ProgramWindow::DeleteQuestion:
        return Question();
      case ProgramWindow::Main:
        break;
    }
    return &form1_;
  }

  void Finish() override {
    if (QMessageBox* question = Question()) question->button(QMessageBox::No)->click();
  }

 private:
  static platform::HostOptions VirtualPhone() {
    platform::HostOptions options;
    options.virtualPhone = true;
    return options;
  }

  QMessageBox* Question() const {
    if (window_ != ProgramWindow::DeleteQuestion) return nullptr;
    return qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
  }

  ProgramWindow window_;
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

template <ProgramWindow window>
std::unique_ptr<Scene> MakeProgramScene(const QStringList& options) {
  if (!options.isEmpty()) return nullptr;
  return std::make_unique<ProgramScene>(window);
}

template std::unique_ptr<Scene> MakeProgramScene<ProgramWindow::Main>(const QStringList&);
template std::unique_ptr<Scene> MakeProgramScene<ProgramWindow::Info>(const QStringList&);
template std::unique_ptr<Scene> MakeProgramScene<ProgramWindow::About>(const QStringList&);
template std::unique_ptr<Scene> MakeProgramScene<ProgramWindow::DeleteQuestion>(const QStringList&);

}  // namespace vestrel::tools
