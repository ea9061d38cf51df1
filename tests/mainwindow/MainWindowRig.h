#pragma once

// The main window on the virtual phone, with scripted dialogs, a recording notification area
// and an in-memory registry. Nothing runs the event loop unless a test does; Timer1 is stopped
// and passes are run by hand.

#include <QDialog>
#include <memory>
#include <vector>

#include "backup/window/BackUp.h"
#include "desktop/About.h"
#include "mainwindow/Main.h"
#include "mainwindow/MobInfo.h"
#include "platform/fake/MemoryRegistry.h"
#include "platform/fake/RecordingShell.h"
#include "platform/virtual/P2KPersonality.h"
#include "tests/support/PhoneRig.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TrayFakes.h"

namespace vestrel::testing {

struct MainWindowRig {
  PhoneRig phones;
  platform::MemoryRegistry registry;
  platform::RecordingShell shell;
  ScriptedDialogs dialogs;
  RecordingTrayArea trayArea;
  FakeTrayApplication trayApplication;
  platform::DeviceBus* bus = nullptr;  // the bus the windows use; the virtual one when null
  std::vector<QDialog*> shownModally;
  int terminated = 0;
  std::shared_ptr<virtualphone::P2KPersonality> personality;  // of the phone plugged last
  std::unique_ptr<mainwindow::TForm1> form1;
  std::unique_ptr<mainwindow::TForm2> form2;
  std::unique_ptr<desktop::TForm3> form3;
  std::unique_ptr<backup::TForm4> form4;

  // Creates the four windows in the program's order.
  void Start() {
    registry.createKey(platform::RegistryRoot::CurrentUser, kRunKey);
    registry.createKey(platform::RegistryRoot::LocalMachine, kRunKey);
    const phonelink::PhoneLinkContext link{bus ? *bus : phones.bus, phones.clock};
    form1 = std::make_unique<mainwindow::TForm1>(mainwindow::TForm1::Services{
        link, registry, shell, dialogs, trayArea, trayApplication,
        [this](QDialog& dialog) { shownModally.push_back(&dialog); }, [this] { ++terminated; }});
    form1->Timer1.stop();
    form2 = std::make_unique<mainwindow::TForm2>(form1->PhoneLibrary());
    form3 = std::make_unique<desktop::TForm3>(shell);
    form4 = std::make_unique<backup::TForm4>(link, shell, dialogs);
    form4->Timer1.stop();
    form1->SetWindows(*form2, *form3, *form4);
  }

  // A P2K phone answering with `state`.
  std::shared_ptr<virtualphone::VirtualPhone> PlugP2K(const std::string& serial,
                                                      virtualphone::P2KPhoneState state) {
    auto phone = phones.plug(serial);
    personality = std::make_shared<virtualphone::P2KPersonality>(std::move(state));
    virtualphone::P2KPersonality::Install(*phone, personality);
    return phone;
  }
  std::shared_ptr<virtualphone::VirtualPhone> PlugSample(const std::string& serial) {
    return PlugP2K(serial, virtualphone::SamplePhoneState());
  }

  static constexpr const char* kRunKey = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
};

}  // namespace vestrel::testing
