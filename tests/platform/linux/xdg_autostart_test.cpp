#include <gtest/gtest.h>

#include <map>

#include "desktop/AutoRunner.h"
#include "platform/fake/RecordingShell.h"
#include "platform/linux/DesktopEntry.h"
#include "platform/linux/XdgAutostartRegistry.h"
#include "tests/support/TempFolder.h"

namespace vestrel::platform {
namespace {

using testing::readText;
using testing::TempFolder;
using testing::writeText;

constexpr const char* kRun = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

TEST(DesktopEntryTest, CommandsSurviveQuotingAndEscaping) {
  for (std::string command : {"/usr/bin/vestrel", "/home/ann/my apps/vestrel", "/tmp/a\"b`c$d\\e",
                              "/opt/100%/vestrel", "/home/иван/Vestrel", "/tmp/new\nline"}) {
    EXPECT_EQ(autostartEntryCommand(autostartEntryText("Vestrel", command)), command);
  }
  std::string text = autostartEntryText("Vestrel", "/opt/100% sure/$HOME");
  EXPECT_NE(text.find("Exec=\"/opt/100%% sure/\\\\$HOME\"\n"), std::string::npos) << text;
  EXPECT_NE(text.find("[Desktop Entry]\nType=Application\nName=Vestrel\n"), std::string::npos);
}

TEST(DesktopEntryTest, SwitchedOffOrCommandlessEntriesCountAsEmpty) {
  EXPECT_FALSE(autostartEntryCommand("[Desktop Entry]\nName=x\n"));
  EXPECT_FALSE(autostartEntryCommand("[Desktop Entry]\nExec=\n"));
  EXPECT_FALSE(autostartEntryCommand("[Desktop Entry]\nExec=/bin/x\nHidden=true\n"));
  EXPECT_FALSE(
      autostartEntryCommand("[Desktop Entry]\nExec=/bin/x\nX-GNOME-Autostart-enabled=false\n"));
  EXPECT_FALSE(autostartEntryCommand("[Other]\nExec=/bin/x\n"));
  EXPECT_FALSE(autostartEntryCommand(""));
  EXPECT_EQ(autostartEntryCommand("# note\r\n[Desktop Entry]\r\nExec = /bin/x --tray\r\n"),
            "/bin/x --tray");
}

TEST(AutostartFoldersTest, FollowTheXdgVariablesAndTheirDefaults) {
  auto from = [](std::map<std::string, std::string> env) {
    return autostartFoldersFrom([env = std::move(env)](const char* name) -> const char* {
      auto found = env.find(name);
      return found == env.end() ? nullptr : found->second.c_str();
    });
  };
  auto defaults = from({{"HOME", "/home/ann"}});
  EXPECT_EQ(defaults.currentUser, "/home/ann/.config/autostart");
  EXPECT_EQ(defaults.localMachine, "/etc/xdg/autostart");

  auto set = from({{"HOME", "/home/ann"},
                   {"XDG_CONFIG_HOME", "/cfg"},
                   {"XDG_CONFIG_DIRS", ":relative:/first:/second"}});
  EXPECT_EQ(set.currentUser, "/cfg/autostart");
  EXPECT_EQ(set.localMachine, "/first/autostart");

  EXPECT_EQ(from({{"HOME", "/h"}, {"XDG_CONFIG_HOME", "relative"}}).currentUser,
            "/h/.config/autostart");
}

class XdgRegistryTest : public ::testing::Test {
 protected:
  TempFolder temp;
  AutostartFolders folders{temp / "home/autostart", temp / "etc/autostart"};
  XdgAutostartRegistry registry{folders};
};

TEST_F(XdgRegistryTest, OnlyTheRunKeyExists) {
  EXPECT_TRUE(registry.openKey(RegistryRoot::CurrentUser, kRun));
  EXPECT_TRUE(registry.openKey(RegistryRoot::LocalMachine,
                               "software\\MICROSOFT\\windows\\CurrentVersion\\Run\\"));
  EXPECT_FALSE(registry.openKey(RegistryRoot::CurrentUser, std::string(kRun) + "Once"));
  EXPECT_FALSE(registry.openKey(RegistryRoot::LocalMachine, std::string(kRun) + "Services"));
  EXPECT_FALSE(registry.openKey(RegistryRoot::CurrentUser, "\\Software"));
}

TEST_F(XdgRegistryTest, ValuesAreDesktopEntriesInTheRootsFolder) {
  auto key = registry.openKey(RegistryRoot::CurrentUser, kRun);
  EXPECT_FALSE(key->readString("Vestrel"));
  EXPECT_FALSE(key->deleteValue("Vestrel"));
  ASSERT_TRUE(key->writeString("Vestrel", "/opt/vestrel/vestrel")) << "creates the missing folder";
  EXPECT_EQ(autostartEntryCommand(readText(folders.currentUser / "Vestrel.desktop")),
            "/opt/vestrel/vestrel");
  EXPECT_EQ(key->readString("Vestrel"), "/opt/vestrel/vestrel");
  EXPECT_FALSE(registry.openKey(RegistryRoot::LocalMachine, kRun)->readString("Vestrel"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folders.currentUser), {}), 1)
      << "no temporary file is left behind";
  EXPECT_TRUE(key->deleteValue("Vestrel"));
  EXPECT_FALSE(std::filesystem::exists(folders.currentUser / "Vestrel.desktop"));
}

TEST_F(XdgRegistryTest, NamesThatLeaveTheFolderAndUnwritableFoldersAreRefused) {
  auto key = registry.openKey(RegistryRoot::CurrentUser, kRun);
  for (std::string name : {"", ".", "..", "../escape", "a/b"}) {
    EXPECT_FALSE(key->writeString(name, "/bin/x")) << name;
    EXPECT_FALSE(key->readString(name)) << name;
  }
  EXPECT_FALSE(std::filesystem::exists(temp / "home/escape.desktop"));

  writeText(temp / "blocked", "a file where a folder should be");
  XdgAutostartRegistry blocked({temp / "blocked/autostart", temp / "blocked/autostart"});
  EXPECT_FALSE(blocked.openKey(RegistryRoot::LocalMachine, kRun)->writeString("Vestrel", "/bin/x"));
}

class XdgAutoRunnerTest : public XdgRegistryTest {
 protected:
  void Load() {
    runner.BeginLoading();
    runner.SetRegLocation(desktop::LocalMachine);
    runner.SetAutoRunWhere(desktop::TAutoRunWhere::Run);
    runner.SetAutoRun(true);
    runner.SetAppName("Vestrel");
    runner.EndLoading();
  }
  bool Present(const std::filesystem::path& folder) {
    return std::filesystem::exists(folder / "Vestrel.desktop");
  }

  RecordingShell shell{"/opt/vestrel/vestrel"};
  desktop::TAutoRunner runner{registry, shell};
};

TEST_F(XdgAutoRunnerTest, FirstStartIsUntickedAndTickingWritesTheEntry) {
  Load();
  EXPECT_FALSE(runner.AutoRun());
  EXPECT_FALSE(Present(folders.currentUser));
  EXPECT_FALSE(Present(folders.localMachine));

  runner.SetAutoRun(true);
  EXPECT_EQ(autostartEntryCommand(readText(folders.localMachine / "Vestrel.desktop")),
            "/opt/vestrel/vestrel");
  runner.SetRegLocation(desktop::CurrentUser);
  EXPECT_TRUE(Present(folders.currentUser));
  EXPECT_FALSE(Present(folders.localMachine));
  runner.SetAutoRun(false);
  EXPECT_FALSE(Present(folders.currentUser));
}

TEST_F(XdgAutoRunnerTest, TheUsersEntryIsFoundFirst) {
  writeText(folders.currentUser / "Vestrel.desktop", autostartEntryText("Vestrel", "/a"));
  writeText(folders.localMachine / "Vestrel.desktop", autostartEntryText("Vestrel", "/b"));
  Load();
  EXPECT_TRUE(runner.AutoRun());
  EXPECT_EQ(runner.RegLocation(), desktop::CurrentUser);
}

TEST_F(XdgAutoRunnerTest, AHiddenUserEntryLetsTheMachineEntryCount) {
  writeText(folders.currentUser / "Vestrel.desktop", "[Desktop Entry]\nExec=/a\nHidden=true\n");
  writeText(folders.localMachine / "Vestrel.desktop", autostartEntryText("Vestrel", "/b"));
  Load();
  EXPECT_TRUE(runner.AutoRun());
  EXPECT_EQ(runner.RegLocation(), desktop::LocalMachine);
}

TEST_F(XdgAutoRunnerTest, KeysWithoutCounterpartWriteNothing) {
  Load();
  runner.SetAutoRunWhere(desktop::RunOnce);
  runner.SetAutoRun(true);
  EXPECT_TRUE(runner.AutoRun());
  EXPECT_FALSE(std::filesystem::exists(folders.currentUser));
  EXPECT_FALSE(std::filesystem::exists(folders.localMachine));
}

}  // namespace
}  // namespace vestrel::platform
