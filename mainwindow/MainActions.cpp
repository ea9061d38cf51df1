// The buttons along the top and their twins in the icon's menu.
#include <QDialog>

#include "mainwindow/Main.h"
#include "mainwindow/MobInfo.h"

namespace vestrel::mainwindow {

void TForm1::OnClick(QAbstractButton& button, void (TForm1::*handler)()) {
  connect(&button, &QAbstractButton::clicked, this, [this, handler] {
    (this->*handler)();
    schedule_.Request();
  });
}

void TForm1::OnTrigger(QAction& action, void (TForm1::*handler)()) {
  connect(&action, &QAction::triggered, this, [this, handler] {
    (this->*handler)();
    schedule_.Request();
  });
}

void TForm1::ConnectActions() {
  OnClick(BitBtn2, &TForm1::BitBtn2Click);
  OnTrigger(N2, &TForm1::N2Click);
  OnClick(Button7, &TForm1::Button7Click);
  OnTrigger(N7, &TForm1::N7Click);
  OnClick(Button5, &TForm1::Button5Click);
  OnTrigger(N8, &TForm1::N8Click);
  OnClick(Button8, &TForm1::Button8Click);
  OnTrigger(Flash1, &TForm1::Flash1Click);
  OnClick(Button9, &TForm1::Button9Click);
  OnTrigger(N9, &TForm1::N9Click);
  OnClick(Button10, &TForm1::Button10Click);
  OnTrigger(AT1, &TForm1::AT1Click);
  OnClick(Button1, &TForm1::Button1Click);
  OnTrigger(p2k1, &TForm1::p2k1Click);
  OnClick(BitBtn3, &TForm1::BitBtn3Click);
  OnTrigger(N4, &TForm1::N4Click);
  OnClick(Button2, &TForm1::Button2Click);
  OnClick(BitBtn6, &TForm1::BitBtn6Click);
  OnTrigger(N5, &TForm1::N5Click);
  OnClick(CheckBox1, &TForm1::CheckBox1Click);
  OnClick(BitBtn5, &TForm1::BitBtn5Click);
  OnClick(BitBtn4, &TForm1::BitBtn4Click);
  OnTrigger(N1, &TForm1::N1Click);
}

// The phone operations' results are not used: the polling shows what became of the phone.
template <class Operation>
void TForm1::OnCurrentP2K(Operation operation) {
  if (auto phone = polling_.CurrentP2K()) operation(*phone);
}

// A restart, power-off or mode change in the middle of a copy would cut the file being written
// on the phone; the copy's progress step lets these clicks in, so they are refused until it ends.
template <class Operation>
void TForm1::OnCurrentP2KUnlessCopying(Operation operation) {
  if (Copying()) {
    services_.dialogs.Message(this, QStringLiteral("Идёт копирование"),
                              QStringLiteral("Дождитесь окончания копирования файла."),
                              desktop::MessageIcon::Warning, desktop::MessageButtons::Ok);
    return;
  }
  OnCurrentP2K(operation);
}

void TForm1::BitBtn2Click() {
  OnCurrentP2KUnlessCopying([](phonelink::TMotoP2KModemItem& phone) { phone.Restart(); });
}
void TForm1::N2Click() { BitBtn2Click(); }

void TForm1::Button7Click() {
  OnCurrentP2KUnlessCopying([](phonelink::TMotoP2KModemItem& phone) { phone.PowerOff(); });
}
void TForm1::N7Click() { Button7Click(); }

void TForm1::Button5Click() {
  OnCurrentP2K([](phonelink::TMotoP2KModemItem& phone) { phone.Suspend(!phone.IsSuspend()); });
}
void TForm1::N8Click() { Button5Click(); }

void TForm1::Button8Click() {
  OnCurrentP2KUnlessCopying([](phonelink::TMotoP2KModemItem& phone) { phone.SwitchToFlashMode(); });
}
void TForm1::Flash1Click() { Button8Click(); }

void TForm1::Button9Click() {
  OnCurrentP2KUnlessCopying([](phonelink::TMotoP2KModemItem& phone) { phone.SwitchToTestMode(); });
}
void TForm1::N9Click() { Button9Click(); }

void TForm1::Button10Click() {
  const bool refused = Copying();
  AT1Click();
  if (!refused) polling_.OpenCurrentAT();
}
void TForm1::AT1Click() {
  OnCurrentP2KUnlessCopying([](phonelink::TMotoP2KModemItem& phone) { phone.SwitchToATMode(); });
}

void TForm1::Button1Click() { BackToP2K(); }
void TForm1::p2k1Click() { BackToP2K(); }

void TForm1::BackToP2K() {
  auto phone = polling_.CurrentAT();
  if (!phone || !phone->IsOpen()) return;
  phone->SwitchMode(0);
  polling_.OpenCurrentP2K();
}

void TForm1::BitBtn3Click() { ShowPhoneInformation(); }
void TForm1::N4Click() { ShowPhoneInformation(); }

void TForm1::ShowPhoneInformation() {
  if (library_.P2K_GetStatus() == p2kapi::P2KApi::kReady) {
    if (info_) services_.showModal(*info_);
    return;
  }
  services_.dialogs.Message(nullptr, QStringLiteral("Информация о телефоне"),
                            QStringLiteral("Ошибка при получении информации!"),
                            desktop::MessageIcon::Warning, desktop::MessageButtons::Ok);
}

void TForm1::Button2Click() {
  if (backup_) services_.showModal(*backup_);
}

void TForm1::BitBtn6Click() {
  if (about_) services_.showModal(*about_);
}
void TForm1::N5Click() { BitBtn6Click(); }

// The box must say what the registry holds: where the machine-wide entry cannot be written
// (a user without the rights for it) the user's own entry is written instead, and where that
// fails too the box is unticked again and the user told so.
void TForm1::CheckBox1Click() {
  const bool wanted = CheckBox1.isChecked();
  AutoRunner.SetAutoRun(wanted);
  if (!wanted || AutostartWritten()) return;
  if (AutoRunner.RegLocation() == desktop::LocalMachine) {
    AutoRunner.SetRegLocation(desktop::CurrentUser);
    if (AutostartWritten()) return;
  }
  AutoRunner.SetAutoRun(false);
  CheckBox1.setChecked(false);
  services_.dialogs.Message(this, QStringLiteral("Автозагрузка"),
                            QStringLiteral("Не удалось включить автозагрузку: запись запуска "
                                           "программы не сохранилась."),
                            desktop::MessageIcon::Warning, desktop::MessageButtons::Ok);
}

bool TForm1::AutostartWritten() {
  const auto root = AutoRunner.RegLocation() == desktop::LocalMachine
                        ? platform::RegistryRoot::LocalMachine
                        : platform::RegistryRoot::CurrentUser;
  auto key = services_.registry.openKey(root, AutoRunner.KeyPath());
  if (!key) return false;
  return key->readString(AutoRunner.AppName()) == services_.shell.executablePath().string();
}

}  // namespace vestrel::mainwindow
