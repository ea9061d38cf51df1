#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/DeviceClasses.h"
#include "platform/virtual/VirtualBus.h"

namespace vestrel::virtualphone {
namespace {

using platform::kPhoneDriverClass;
using platform::kUsbDeviceClass;

struct Rig {
  VirtualClock clock;
  VirtualBus bus{clock};
  int driverNotices = 0;
  int usbNotices = 0;
  std::unique_ptr<platform::NoticeSubscription> driverSub =
      bus.subscribe(kPhoneDriverClass, [this] { ++driverNotices; });
  std::unique_ptr<platform::NoticeSubscription> usbSub =
      bus.subscribe(kUsbDeviceClass, [this] { ++usbNotices; });
};

TEST(VirtualBus, NoticesAreQueuedPerClassAndDeliveredOnlyWhenAsked) {
  Rig rig;
  auto phone = rig.bus.plug({"loc", "S1", 8}, PhoneMode::P2K);
  EXPECT_EQ(rig.driverNotices, 0);
  rig.bus.deliverNotices();
  EXPECT_EQ(rig.driverNotices, 1);
  EXPECT_EQ(rig.usbNotices, 0);

  // P2K to AT touches both classes; P2K to flash stays in one class.
  phone->setMode(PhoneMode::AT);
  rig.bus.deliverNotices();
  EXPECT_EQ(rig.driverNotices, 2);
  EXPECT_EQ(rig.usbNotices, 1);
  phone->setMode(PhoneMode::Flash);
  phone->setMode(PhoneMode::P2K);
  rig.bus.deliverNotices();
  EXPECT_EQ(rig.driverNotices, 3);
  EXPECT_EQ(rig.usbNotices, 2);

  rig.driverSub.reset();
  rig.bus.unplug(*phone);
  rig.bus.deliverNotices();
  EXPECT_EQ(rig.driverNotices, 3);
  EXPECT_FALSE(rig.bus.noticesPending());
}

TEST(VirtualBus, AReappearingPhoneIsANewDeviceAndOldHandlesGoStale) {
  Rig rig;
  auto phone = rig.bus.plug({"loc", "S1", 2}, PhoneMode::P2K);
  const auto first = rig.bus.presentInterfaces(kPhoneDriverClass).value();
  ASSERT_EQ(first.size(), 1u);
  EXPECT_NE(first[0].devicePath.find("&MI_02"), std::string::npos);
  auto handle = rig.bus.openDriver(first[0].devicePath).handle;
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(rig.bus.openSerial(first[0].devicePath).handle, nullptr);

  phone->setMode(PhoneMode::Flash);
  phone->setMode(PhoneMode::P2K);
  const auto again = rig.bus.presentInterfaces(kPhoneDriverClass).value();
  ASSERT_EQ(again.size(), 1u);
  EXPECT_NE(again[0].deviceInstance, first[0].deviceInstance);
  // The same instance while the phone stays put.
  EXPECT_EQ(rig.bus.presentInterfaces(kPhoneDriverClass).value()[0].deviceInstance,
            again[0].deviceInstance);

  std::vector<std::uint8_t> out(16);
  const std::uint8_t poll[] = {0xC1, 0, 0, 0, 2, 0, 8, 0, 0};
  EXPECT_EQ(handle->ioControl(platform::IOCTL_P2K_CONTROL, poll, out, 5000).wait,
            platform::Wait::Failed);
}

TEST(VirtualBus, OffPhonesAreNotListedAndCannotBeOpened) {
  Rig rig;
  auto phone = rig.bus.plug({"loc", "S1", 8}, PhoneMode::AT);
  const std::string path = phone->devicePath();
  EXPECT_EQ(rig.bus.presentInterfaces(kUsbDeviceClass).value().size(), 1u);
  EXPECT_EQ(rig.bus.openDriver(path).handle, nullptr);
  phone->setMode(PhoneMode::Off);
  EXPECT_TRUE(rig.bus.presentInterfaces(kUsbDeviceClass).value().empty());
  EXPECT_EQ(rig.bus.openSerial(path).handle, nullptr);
  EXPECT_TRUE(phone->devicePath().empty());
}

TEST(VirtualPhone, ModeChangeAfterAReplyWaitsUntilTheReplyIsRead) {
  Rig rig;
  auto phone = rig.bus.plug({"loc", "S1", 8}, PhoneMode::P2K);
  phone->setP2KHandler([&](std::uint16_t, std::span<const std::uint8_t>) {
    phone->leaveAfterReply(PhoneMode::Flash);
    return P2KAnswer{true, {}};
  });
  auto handle = rig.bus.openDriver(phone->devicePath()).handle;
  // A block write of command 000D, then its read.
  const std::uint8_t write[] = {2, 12, 0, 0, 0, 0, 2, 0, 0x0D, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  std::vector<std::uint8_t> out(64);
  EXPECT_TRUE(handle->ioControl(platform::IOCTL_P2K_WRITE, write, {}, 10000).resultOk);
  EXPECT_EQ(phone->mode(), PhoneMode::P2K);
  const std::uint8_t read[] = {2, 0, 0x10, 0, 0};
  const auto outcome = handle->ioControl(platform::IOCTL_P2K_READ, read, out, 10000);
  EXPECT_TRUE(outcome.resultOk);
  EXPECT_EQ(outcome.bytesReturned, 4u + 12u);
  EXPECT_EQ(phone->mode(), PhoneMode::Flash);
}

TEST(VirtualPhone, MalformedRequestsAreRefusedNotCrashedOn) {
  Rig rig;
  auto phone = rig.bus.plug({"loc", "S1", 8}, PhoneMode::P2K);
  auto handle = rig.bus.openDriver(phone->devicePath()).handle;
  std::vector<std::uint8_t> out(8);
  const std::vector<std::vector<std::uint8_t>> controls = {
      {},
      {0x41, 2, 0, 0, 8, 0},                                      // short setup
      {0x41, 2, 0, 0, 8, 0, 0x20, 0, 0, 1},                       // length beyond the data
      {0x41, 2, 0, 0, 8, 0, 8, 0, 0, 1, 0, 1, 0xFF, 0xFF, 0, 0},  // payload beyond length
      {0x41, 2, 0, 0, 3, 0, 8, 0},                                // another interface
      {0xC1, 1, 1, 0, 8, 0, 0x40, 0, 0},                          // read with nothing waiting
  };
  for (const auto& input : controls) {
    EXPECT_FALSE(handle->ioControl(platform::IOCTL_P2K_CONTROL, input, out, 5000).resultOk);
  }
  const std::vector<std::vector<std::uint8_t>> writes = {
      {},
      {3, 0, 0, 0, 0},
      {2, 0xFF, 0xFF, 0, 0, 1, 2},
      {2, 12, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF}};
  for (const auto& input : writes) {
    EXPECT_FALSE(handle->ioControl(platform::IOCTL_P2K_WRITE, input, {}, 10000).resultOk);
  }
  EXPECT_FALSE(handle->ioControl(0x12345678, {}, out, 10).resultOk);
  EXPECT_TRUE(phone->sequenceNumbers().empty());
}

}  // namespace
}  // namespace vestrel::virtualphone
