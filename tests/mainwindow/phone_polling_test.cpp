// The phones' polling without the window: which phone of each mode is current, what the tray
// shows, and what a phone's departure leaves.
#include <gmock/gmock.h>

#include "mainwindow/PhonePolling.h"
#include "platform/virtual/P2KPersonality.h"
#include "tests/support/PhoneRig.h"

namespace vestrel::testing {
namespace {

using mainwindow::PhonePolling;
using virtualphone::P2KPersonality;
using virtualphone::PhoneMode;

class Polling : public ::testing::Test {
 protected:
  std::shared_ptr<virtualphone::VirtualPhone> PlugP2K(const std::string& serial) {
    auto phone = rig.plug(serial);
    P2KPersonality::Install(*phone, P2KPersonality::Sample());
    return phone;
  }

  PhoneRig rig;
  phonelink::TMotoP2KMode p2k{rig.context};
  phonelink::TMotoFlashMode flash{rig.context};
  phonelink::TMotoATMode at{rig.context};
  PhonePolling polling{rig.bus, p2k, flash, at};
};

TEST_F(Polling, OnlyTheFirstPhoneOfAModeIsCurrentAndOpened) {
  PlugP2K("A1");
  PlugP2K("B2");
  const auto outcome = polling.Pass();
  EXPECT_TRUE(outcome.p2kListed);
  EXPECT_EQ(outcome.trayImage, mainwindow::kImageP2KOpen);
  ASSERT_EQ(polling.P2KLines().size(), 2u);
  ASSERT_NE(polling.CurrentP2K(), nullptr);
  EXPECT_EQ(polling.CurrentP2K(), p2k.DeviceList().Items(0));
  EXPECT_TRUE(p2k.DeviceList().Items(0)->IsOpen());
  EXPECT_FALSE(p2k.DeviceList().Items(1)->IsOpen());
}

TEST_F(Polling, AP2KPhoneOutranksAFlashPhoneWhichOutranksAnATPhone) {
  rig.plug("M1", PhoneMode::AT);
  auto outcome = polling.Pass();
  EXPECT_EQ(outcome.trayImage, mainwindow::kImageATOpen);
  EXPECT_EQ(outcome.atPortOpen, std::optional<bool>(true));
  EXPECT_FALSE(outcome.p2kListed);

  rig.plug("F1", PhoneMode::Flash);
  EXPECT_EQ(polling.Pass().trayImage, mainwindow::kImageFlashOpen);
  ASSERT_NE(polling.CurrentFlash(), nullptr);

  PlugP2K("A1");
  EXPECT_EQ(polling.Pass().trayImage, mainwindow::kImageP2KOpen);
}

TEST_F(Polling, APhoneThatLeftIsNoLongerCurrentAndAHeldItemStaysUsable) {
  auto phone = PlugP2K("A1");
  polling.Pass();
  const auto held = polling.CurrentP2K();
  ASSERT_NE(held, nullptr);
  rig.bus.unplug(*phone);
  const auto outcome = polling.Pass();
  EXPECT_FALSE(outcome.p2kListed);
  EXPECT_EQ(outcome.trayImage, mainwindow::kImageNoPhone);
  EXPECT_EQ(polling.CurrentP2K(), nullptr);
  EXPECT_TRUE(polling.P2KLines().empty());
  EXPECT_FALSE(held->Restart());  // the item the caller holds answers, with a failure
}

}  // namespace
}  // namespace vestrel::testing
