#pragma once

// The backup dialog on the virtual bus, with scripted dialogs, a recording shell and a program
// home holding stand-in loaders and archiver.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QStringList>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "backup/Manifest.h"
#include "backup/window/BackUp.h"
#include "platform/fake/RecordingShell.h"
#include "tests/support/ForwardingBus.h"
#include "tests/support/PhoneRig.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/StandInArchiver.h"
#include "tests/support/TempFolder.h"

namespace vestrel::testing {

// Counts what reaches the bus below the dialog, so a test can tell a quiet tick from one that
// touched devices.
class CountingBus final : public ForwardingBus {
 public:
  using ForwardingBus::ForwardingBus;

  int calls = 0;

  std::optional<std::vector<platform::DeviceInterfaceRecord>> presentInterfaces(
      std::string_view interfaceClass) override {
    ++calls;
    return ForwardingBus::presentInterfaces(interfaceClass);
  }
  platform::Opened<platform::DriverHandle> openDriver(const std::string& devicePath) override {
    ++calls;
    return ForwardingBus::openDriver(devicePath);
  }
  platform::Opened<platform::SerialPort> openSerial(const std::string& devicePath) override {
    ++calls;
    return ForwardingBus::openSerial(devicePath);
  }
};

class DialogRig : public ::testing::Test {
 protected:
  TempFolder homeFolder;
  std::filesystem::path home;
  std::filesystem::path out;
  PhoneRig rig;
  CountingBus counting{rig.bus};
  phonelink::PhoneLinkContext context{counting, rig.clock};
  std::shared_ptr<virtualphone::VirtualPhone> phone;
  ScriptedDialogs dialogs;
  std::unique_ptr<platform::RecordingShell> shell;
  std::unique_ptr<backup::TForm4> form;

  void SetUp() override {
    // A folder of its own: the same test of another build may be running beside this one.
    home = homeFolder.path();
    out = home / "out";
    std::filesystem::create_directories(home / "Profiles");
    std::filesystem::create_directories(out);
    for (const char* name : {"0823.ldr", "L6.ldr", "E1000_0631.ldr", "pds.ldr", "V3x.ldr"}) {
      std::ofstream(home / "Profiles" / name, std::ios::binary) << std::string(9000, '\x5A');
    }
    std::ofstream(home / "arch") << "stand-in";
    shell = std::make_unique<platform::RecordingShell>(home / "vestrel");
    shell->onRun = StandInArchiver();
  }

  void TearDown() override {
    form.reset();
    EXPECT_EQ(dialogs.Unused(), 0u) << "scripted answers nobody asked for";
  }

  // Plugs a flash-mode phone, creates the dialog and lets one tick open the phone.
  void OpenWithPhone() {
    phone = rig.plug("F", virtualphone::PhoneMode::Flash);
    Open();
  }
  void Open() {
    form = std::make_unique<backup::TForm4>(context, *shell, dialogs);
    form->Timer1Timer();
  }

  void ChooseModel(const char* model) {
    form->cob.setCurrentIndex(form->cob.findText(QString::fromUtf8(model)));
  }
  // Ticks exactly the boxes of the named code groups.
  void Tick(const std::vector<std::string>& groups) {
    for (std::size_t slot = 0; slot < backup::kSlotCount; ++slot) {
      const std::string group(backup::BackupSlots[slot].codeGroup);
      form->ElementBox(slot).setChecked(std::find(groups.begin(), groups.end(), group) !=
                                        groups.end());
    }
  }

  QStringList LogLines() const {
    return form->Memo1.toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  }
  // The log's messages without their time.
  std::vector<std::string> Messages() const {
    std::vector<std::string> messages;
    for (const QString& line : LogLines()) messages.push_back(line.mid(10).toStdString());
    return messages;
  }
  std::vector<std::string> FilesInOut() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(out)) {
      const std::string name = entry.path().filename().string();
      if (name != backup::kManifestName && name != backup::kDescriptionName) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  static std::string ReadFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
};

}  // namespace vestrel::testing
