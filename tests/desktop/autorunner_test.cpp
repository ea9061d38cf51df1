#include "desktop/AutoRunner.h"

#include <gtest/gtest.h>

#include "platform/fake/MemoryRegistry.h"
#include "platform/fake/RecordingShell.h"

namespace vestrel::desktop {
namespace {

using platform::RegistryRoot;

constexpr const char* kRun = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kRunServices = "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
constexpr const char* kExe = "/opt/vestrel/vestrel";

class AutoRunnerTest : public ::testing::Test {
 protected:
  AutoRunnerTest() {
    for (auto root : {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine}) {
      registry.createKey(root, kRun);
      registry.createKey(root, kRunServices);
    }
  }

  // As the main window's resource sets it up.
  void Load(TRegLocation designedLocation = LocalMachine) {
    runner.BeginLoading();
    runner.SetRegLocation(designedLocation);
    runner.SetAutoRunWhere(TAutoRunWhere::Run);
    runner.SetAutoRun(true);
    runner.SetAppName("Vestrel");
    runner.EndLoading();
  }

  std::optional<std::string> Value(RegistryRoot root, const char* path = kRun) {
    return registry.value(root, path, "Vestrel");
  }

  platform::MemoryRegistry registry;
  platform::RecordingShell shell{kExe};
  TAutoRunner runner{registry, shell};
};

TEST_F(AutoRunnerTest, FirstStartIsUntickedAndWritesNothing) {
  Load();
  EXPECT_FALSE(runner.AutoRun());
  EXPECT_EQ(runner.RegLocation(), LocalMachine);
  EXPECT_EQ(runner.AppName(), "Vestrel");
  EXPECT_EQ(runner.KeyPath(), kRun);
  EXPECT_FALSE(Value(RegistryRoot::CurrentUser));
  EXPECT_FALSE(Value(RegistryRoot::LocalMachine));
}

TEST_F(AutoRunnerTest, ProbeFindsTheCurrentUsersValueFirst) {
  registry.setValue(RegistryRoot::CurrentUser, kRun, "Vestrel", kExe);
  registry.setValue(RegistryRoot::LocalMachine, kRun, "Vestrel", kExe);
  Load();
  EXPECT_TRUE(runner.AutoRun());
  EXPECT_EQ(runner.RegLocation(), CurrentUser);

  runner.SetAutoRun(false);
  EXPECT_FALSE(Value(RegistryRoot::CurrentUser));
  EXPECT_FALSE(Value(RegistryRoot::LocalMachine));
}

TEST_F(AutoRunnerTest, ProbeFallsBackToTheMachineAndIgnoresEmptyValues) {
  registry.setValue(RegistryRoot::CurrentUser, kRun, "Vestrel", "");
  registry.setValue(RegistryRoot::LocalMachine, kRun, "Vestrel", kExe);
  Load(CurrentUser);
  EXPECT_TRUE(runner.AutoRun());
  EXPECT_EQ(runner.RegLocation(), LocalMachine);
}

TEST_F(AutoRunnerTest, TickingWritesTheExecutableUnderTheCurrentRootOnly) {
  Load();
  registry.setValue(RegistryRoot::CurrentUser, kRun, "Vestrel", "/old/copy");
  runner.SetAutoRun(true);
  EXPECT_EQ(Value(RegistryRoot::LocalMachine), kExe);
  EXPECT_FALSE(Value(RegistryRoot::CurrentUser));

  // Setting the value it already has does nothing, even when the registry changed meanwhile.
  registry.setValue(RegistryRoot::LocalMachine, kRun, "Vestrel", "/changed/elsewhere");
  runner.SetAutoRun(true);
  EXPECT_EQ(Value(RegistryRoot::LocalMachine), "/changed/elsewhere");
}

TEST_F(AutoRunnerTest, ChangingTheRootMovesTheValue) {
  Load();
  runner.SetAutoRun(true);
  runner.SetRegLocation(CurrentUser);
  EXPECT_EQ(runner.RegLocation(), CurrentUser);
  EXPECT_EQ(Value(RegistryRoot::CurrentUser), kExe);
  EXPECT_FALSE(Value(RegistryRoot::LocalMachine));

  runner.SetAutoRun(false);
  runner.SetRegLocation(LocalMachine);
  EXPECT_FALSE(Value(RegistryRoot::CurrentUser));
  EXPECT_FALSE(Value(RegistryRoot::LocalMachine));
}

TEST_F(AutoRunnerTest, ServiceKeysAreNormalisedToRunForTheCurrentUser) {
  Load(CurrentUser);
  runner.SetAutoRunWhere(RunServices);
  EXPECT_EQ(runner.AutoRunWhere(), TAutoRunWhere::Run);
  EXPECT_EQ(runner.KeyPath(), kRun);

  runner.SetRegLocation(LocalMachine);
  runner.SetAutoRunWhere(RunServicesOnce);
  EXPECT_EQ(runner.KeyPath(), "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce");
}

// The key path follows the normalised value, so the value lands in the key that is named.
TEST_F(AutoRunnerTest, MovingAServiceValueToTheCurrentUserWritesUnderRun) {
  Load();
  runner.SetAutoRunWhere(RunServices);
  runner.SetAutoRun(true);
  EXPECT_EQ(Value(RegistryRoot::LocalMachine, kRunServices), kExe);

  runner.SetRegLocation(CurrentUser);
  EXPECT_EQ(runner.AutoRunWhere(), TAutoRunWhere::Run);
  EXPECT_EQ(runner.KeyPath(), kRun);
  runner.SetAutoRun(false);
  runner.SetAutoRun(true);
  EXPECT_EQ(Value(RegistryRoot::CurrentUser), kExe);
}

TEST_F(AutoRunnerTest, AppNameIsIgnoredAfterLoading) {
  Load();
  runner.SetAppName("Other");
  EXPECT_EQ(runner.AppName(), "Vestrel");
  runner.SetAutoRun(true);
  EXPECT_EQ(Value(RegistryRoot::LocalMachine), kExe);
  EXPECT_FALSE(registry.value(RegistryRoot::LocalMachine, kRun, "Other"));
}

TEST_F(AutoRunnerTest, MissingRightsOrKeysLeaveTheChoiceAndWriteNothing) {
  Load();
  registry.setValue(RegistryRoot::CurrentUser, kRun, "Vestrel", "/stale");
  registry.denyWrites(RegistryRoot::LocalMachine);
  runner.SetAutoRun(true);
  EXPECT_TRUE(runner.AutoRun());
  EXPECT_FALSE(Value(RegistryRoot::LocalMachine));
  EXPECT_FALSE(Value(RegistryRoot::CurrentUser)) << "the current user's copy is still removed";

  runner.SetAutoRunWhere(RunOnce);  // no such key in this registry
  runner.SetAutoRun(false);
  runner.SetAutoRun(true);
  EXPECT_TRUE(runner.AutoRun());
}

TEST(AutoRunnerOneRoot, ARunKeyMissingInOneRootStillLetsTheOtherBeWritten) {
  platform::MemoryRegistry registry;
  registry.createKey(RegistryRoot::LocalMachine, kRun);  // the current user has no run key
  platform::RecordingShell shell{kExe};
  TAutoRunner runner{registry, shell};
  runner.BeginLoading();
  runner.SetRegLocation(LocalMachine);
  runner.SetAppName("Vestrel");
  runner.EndLoading();
  runner.SetAutoRun(true);
  EXPECT_EQ(registry.value(RegistryRoot::LocalMachine, kRun, "Vestrel"), kExe);
  runner.SetAutoRun(false);
  EXPECT_FALSE(registry.value(RegistryRoot::LocalMachine, kRun, "Vestrel"));
}

}  // namespace
}  // namespace vestrel::desktop
