// vestrel-cli's wait for a phone in its new mode, on the real bus: it sleeps on the monitor's
// descriptor and ends as soon as the phone is there, or when its time has run out.
#include <gtest/gtest.h>

#include <chrono>

#include "cli/ModeChangeWait.h"
#include "tests/platform/linux/LinuxTestHost.h"
#include "tests/platform/linux/OnUmockdev.h"

namespace vestrel::platform {
namespace {

using virtualphone::PhoneMode;

using testing::LinuxTestHost;
using CliWait = testing::OnUmockdev;

TEST_F(CliWait, AnArrivalEndsTheWaitAndNoneLetsItRunOut) {
  LinuxTestHost host(Bus(), clock_);
  cli::Session session(host, cli::GlobalOptions{});
  ASSERT_EQ(session.Flash().DeviceList().Count(), 0);

  rig_.plug(PhoneMode::Flash, 0x4903, 3, 9);  // its uevent waits in the monitor
  auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(cli::AwaitNewPhone(session, session.Flash(), {}, 5000));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(session.Flash().DeviceList().Count(), 1);

  // The phone listed before the command is not the one awaited.
  const auto before = cli::ListedInstances(session.Flash());
  start = std::chrono::steady_clock::now();
  EXPECT_FALSE(cli::AwaitNewPhone(session, session.Flash(), before, 150));
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(150));
  EXPECT_LT(took, std::chrono::seconds(2));
  // One already listed when the wait begins ends it at once.
  EXPECT_TRUE(cli::AwaitNewPhone(session, session.Flash(), {}, 0));
}

}  // namespace
}  // namespace vestrel::platform
