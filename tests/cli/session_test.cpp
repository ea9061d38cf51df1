#include "cli/Session.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli/Commands.h"
#include "cli/ModeChangeWait.h"
#include "cli/Require.h"
#include "platform/DeviceClasses.h"
#include "platform/NullBus.h"
#include "platform/virtual/VirtualBus.h"
#include "platform/virtual/VirtualClock.h"
#include "tests/cli/test_host.h"
#include "tests/support/ScriptedBus.h"

namespace vestrel::cli {
namespace {

TEST(Session, APhoneThatCannotBeOpenedNamesTheOsReason) {
  testing::ScriptedBus bus;  // no driver script: every open fails with ENOENT
  bus.present[std::string(platform::kPhoneDriverClass)].push_back(testing::MakeRecord(
      1, "/dev/bus/usb/001/007#MI_08", "Motorola Test Command Interface", "USB\\Class_FF"));
  TestHost host(bus, "test bus");
  {
    Session session(host, GlobalOptions{});
    try {
      RequireP2K(session);
      FAIL() << "a phone that cannot be opened was used";
    } catch (const NoPhone& e) {
      EXPECT_THAT(e.what(), ::testing::HasSubstr("/dev/bus/usb/001/007#MI_08"));
      EXPECT_THAT(e.what(), ::testing::HasSubstr("ENOENT (No such file or directory)"));
    }
  }
  EXPECT_EQ(host.saves, 1);
}

TEST(Session, WithoutADeviceBackendTheUserIsPointedAtTheVirtualPhone) {
  platform::NullBus bus;
  TestHost host(bus, platform::Host::kNoDeviceBackend);
  Session session(host, GlobalOptions{});
  try {
    RequireFlash(session);
    FAIL() << "no phone can be there";
  } catch (const NoPhone& e) {
    EXPECT_THAT(e.what(), ::testing::StartsWith("no phone in flash mode"));
    EXPECT_THAT(e.what(), ::testing::HasSubstr("--virtual-phone"));
  }
}

// The virtual phone's bus has no descriptor to wait on: the wait looks at the list on the host's
// clock, and a phone that moved while its command was answered is found by the first look.
TEST(ModeChangeWait, WithoutANoticeWatchTheListIsLookedAtUntilThePhoneOrTheTimeComes) {
  virtualphone::VirtualClock busClock;
  virtualphone::VirtualBus bus(busClock);
  auto phone = bus.plug({"1-1", "UD1", 8}, virtualphone::PhoneMode::P2K);
  TestHost host(bus, "virtual phone");
  Session session(host, GlobalOptions{});

  const auto start = host.clock().tickCount();
  EXPECT_FALSE(AwaitNewPhone(session, session.Flash(), {}, 20000));
  EXPECT_GE(host.clock().tickCount() - start, 20000u);

  const auto before = ListedInstances(session.Flash());
  phone->setMode(virtualphone::PhoneMode::Flash);
  const auto moved = host.clock().tickCount();
  EXPECT_TRUE(AwaitNewPhone(session, session.Flash(), before, 20000));
  EXPECT_EQ(host.clock().tickCount(), moved);
  // The same phone, still there, is not a new arrival.
  EXPECT_FALSE(AwaitNewPhone(session, session.Flash(), ListedInstances(session.Flash()), 500));
}

}  // namespace
}  // namespace vestrel::cli
