#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "phonelink/MotoATMode.h"
#include "phonelink/MotoFlashMode.h"
#include "phonelink/MotoP2KMode.h"
#include "platform/virtual/P2KPersonality.h"
#include "tests/support/PhoneRig.h"
#include "tests/support/TempFolder.h"

namespace vestrel::phonelink {
namespace {

using testing::PhoneRig;
using virtualphone::PhoneMode;
using virtualphone::VirtualFlash;

// The sample phone on the bus and a watcher per mode, as the main window holds them.
class ModeRoundTrip : public ::testing::Test {
 protected:
  PhoneRig rig;
  std::shared_ptr<virtualphone::VirtualPhone> phone = rig.plug("RT");
  TMotoP2KMode p2k{rig.context};
  TMotoFlashMode flashMode{rig.context};
  TMotoATMode atMode{rig.context};
  testing::TempFolder scratch;
  std::filesystem::path folder = scratch.path();

  void SetUp() override {
    virtualphone::P2KPersonality::Install(*phone, virtualphone::P2KPersonality::Sample());
    std::filesystem::create_directories(folder);
  }
  void TearDown() override { std::filesystem::remove_all(folder); }

  std::shared_ptr<TMotoP2KModemItem> openP2KItem() {
    auto item = p2k.DeviceList().Items(0);
    if (item && !item->OpenPhone()) return nullptr;
    return item;
  }
};

TEST_F(ModeRoundTrip, P2KToFlashLoaderUploadBackupAndPowerOff) {
  auto p2kItem = openP2KItem();
  ASSERT_TRUE(p2kItem);
  ASSERT_TRUE(p2kItem->SwitchToFlashMode());
  rig.bus.deliverNotices();
  EXPECT_EQ(p2k.DeviceList().Count(), 0);
  ASSERT_EQ(flashMode.DeviceList().Count(), 1);

  auto flashItem = flashMode.DeviceList().Items(0);
  ASSERT_TRUE(flashItem->OpenPhone());
  std::vector<char> loader(12000);
  for (std::size_t i = 0; i < loader.size(); ++i) loader[i] = static_cast<char>(i ^ 0x5A);
  std::ofstream(folder / "e398.ldr", std::ios::binary).write(loader.data(), 12000);
  ASSERT_TRUE(flashItem->SendLoader(folder / "e398.ldr", ltUseREAD, nullptr));

  const MemoryRange range{0x10040000, 0x10047FFF};
  ASSERT_TRUE(flashItem->SaveMemory(range, folder / "CG1_10040000.bin", nullptr));
  std::ifstream saved(folder / "CG1_10040000.bin", std::ios::binary);
  const std::vector<std::uint8_t> bytes(std::istreambuf_iterator<char>(saved), {});
  ASSERT_EQ(bytes.size(), 0x8000u);
  for (std::uint32_t i = 0; i < bytes.size(); ++i) {
    ASSERT_EQ(bytes[i], VirtualFlash::MemoryByte(range.Start + i)) << "at offset " << i;
  }

  EXPECT_TRUE(flashItem->PowerOff());
  rig.bus.deliverNotices();
  EXPECT_EQ(flashMode.DeviceList().Count(), 0);
  EXPECT_EQ(phone->mode(), PhoneMode::Off);
}

TEST_F(ModeRoundTrip, P2KToATAndBackToP2K) {
  auto p2kItem = openP2KItem();
  ASSERT_TRUE(p2kItem);
  ASSERT_TRUE(p2kItem->SwitchToATMode());
  rig.bus.deliverNotices();
  EXPECT_EQ(p2k.DeviceList().Count(), 0);
  ASSERT_EQ(atMode.DeviceList().Count(), 1);

  auto atItem = atMode.DeviceList().Items(0);
  ASSERT_TRUE(atItem->OpenPhone());
  atItem->SwitchMode(0);
  rig.bus.deliverNotices();
  EXPECT_EQ(atMode.DeviceList().Count(), 0);
  ASSERT_EQ(p2k.DeviceList().Count(), 1);
  EXPECT_NE(p2k.DeviceList().Items(0), p2kItem);
  EXPECT_TRUE(openP2KItem());
}

}  // namespace
}  // namespace vestrel::phonelink
