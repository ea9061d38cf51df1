// Whole phone tasks through the Linux backend on umockdev: a flash backup over libusb, mode
// changes the phone makes itself heard through the udev monitor, an unplug in the middle of a
// backup, the modem tty of AT mode, and waiting on the monitor's descriptor.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

#include "platform/virtual/P2KPersonality.h"
#include "platform/virtual/VirtualFlash.h"
#include "tests/platform/linux/OnUmockdev.h"

namespace vestrel::platform {
namespace {

namespace fs = std::filesystem;
using testing::OnUmockdev;
using testing::UsbdevfsPhones;
using virtualphone::PhoneMode;
using virtualphone::VirtualFlash;

constexpr std::uint32_t kBase = 0x03FD0000;

class PhoneTasks : public OnUmockdev {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("vestrel-umockdev-" + std::to_string(::getpid()));
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  // A loader file of `size` bytes that differ from the phone's own memory at kBase.
  fs::path Loader(std::size_t size) {
    std::vector<char> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
      bytes[i] = static_cast<char>(~VirtualFlash::MemoryByte(kBase + i) ^ i);
    }
    const fs::path path = folder_ / "loader.ldr";
    std::ofstream(path, std::ios::binary).write(bytes.data(), bytes.size());
    return path;
  }
  static std::vector<std::uint8_t> Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  static std::vector<std::uint8_t> PhoneMemory(std::uint32_t start, std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = VirtualFlash::MemoryByte(start + i);
    return bytes;
  }
  // A flash-mode item with its loader running.
  std::shared_ptr<phonelink::TMotoFlashModemItem> StartedFlashPhone(
      phonelink::TMotoFlashMode& mode) {
    auto item = mode.DeviceList().Items(0);
    if (!item || !item->OpenPhone()) return nullptr;
    item->SetBaseAddr(kBase);
    item->SetEntryAddr(kBase + 0x10);
    return item->SendLoader(Loader(9000), phonelink::ltUseREAD, nullptr) ? item : nullptr;
  }

  fs::path folder_;
};

TEST_F(PhoneTasks, ABackupOverLibusbHoldsThePhonesMemory) {
  auto plugged = rig_.plug(PhoneMode::Flash, 0x4903, 3, 9);
  phonelink::TMotoFlashMode flash(Context());
  ASSERT_EQ(flash.DeviceList().Count(), 1);
  auto item = StartedFlashPhone(flash);
  ASSERT_TRUE(item) << item->LastError();
  VirtualFlash& phoneSide = plugged.phone->flash();
  EXPECT_TRUE(phoneSide.loaderRunning());
  EXPECT_EQ(phoneSide.entryAddress(), kBase + 0x10);
  // 9000 bytes: two blocks, each after its own ADDR, then the jump.
  EXPECT_THAT(phoneSide.framesTaken(),
              ::testing::ElementsAre("ADDR", "BIN", "ADDR", "BIN", "JUMP"));

  const fs::path cg = folder_ / "CG3_10040000.bin";
  ASSERT_TRUE(item->SaveMemory({0x10040000, 0x10040FFF}, cg, nullptr));
  EXPECT_EQ(Read(cg), PhoneMemory(0x10040000, 4096));

  // The loader's own bytes read back as they were sent, so the bulk data went through whole.
  const fs::path loaderBack = folder_ / "loader.bin";
  ASSERT_TRUE(item->SaveMemory({kBase, kBase + 9000 - 1}, loaderBack, nullptr));
  EXPECT_EQ(Read(loaderBack), Read(folder_ / "loader.ldr"));
}

// One stall of the bulk IN endpoint in the middle of a backup costs the one block's reply,
// which is asked again; the endpoint was cleared, so the rest of the memory still comes.
TEST_F(PhoneTasks, AStallInTheMiddleOfABackupCostsOneBlockNotTheRest) {
  auto plugged = rig_.plug(PhoneMode::Flash, 0x4903, 3, 9);
  phonelink::TMotoFlashMode flash(Context());
  auto item = StartedFlashPhone(flash);
  ASSERT_TRUE(item);
  const auto& frames = plugged.phone->flash().framesTaken();
  const auto reads = [&] { return std::count(frames.begin(), frames.end(), "READ"); };

  const fs::path clean = folder_ / "clean.bin";
  auto before = reads();
  ASSERT_TRUE(item->SaveMemory({0x10040000, 0x10040FFF}, clean, nullptr));
  const auto cleanReads = reads() - before;

  const fs::path stalled = folder_ / "stalled.bin";
  item->SetTimeOut(500);  // the silence that ends the drain after the missed reply
  before = reads();
  bool stallSet = false;
  const bool saved =
      item->SaveMemory({0x10040000, 0x10040FFF}, stalled, [&](std::int32_t done, std::int32_t) {
        if (done >= 1000 && !std::exchange(stallSet, true)) rig_.stallNextBulkRead();
        return true;
      });
  EXPECT_TRUE(saved) << item->LastError();
  EXPECT_EQ(reads() - before, cleanReads + 1);  // the stalled block, asked once more
  EXPECT_EQ(Read(stalled), PhoneMemory(0x10040000, 4096));
}

TEST_F(PhoneTasks, UnpluggedInTheMiddleOfABackupTheFileKeepsWhatCameAndTheListLetsGo) {
  auto plugged = rig_.plug(PhoneMode::Flash, 0x4903, 3, 9);
  phonelink::TMotoFlashMode flash(Context());
  int removals = 0;
  flash.SetOnRemove([&](auto&) { ++removals; });
  auto item = StartedFlashPhone(flash);
  ASSERT_TRUE(item);

  const fs::path cg = folder_ / "CG1.bin";
  const auto start = std::chrono::steady_clock::now();
  const bool saved =
      item->SaveMemory({0x10080000, 0x10080FFF}, cg, [&](std::int32_t done, std::int32_t) {
        if (done == 504) rig_.unplug(plugged);  // two blocks: 256 and 248 bytes
        return true;
      });
  EXPECT_FALSE(saved);
  // The requests after the unplug fail at once instead of waiting out their 6 s.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  EXPECT_EQ(Read(cg), PhoneMemory(0x10080000, 504));

  Bus().deliverNotices();
  EXPECT_EQ(removals, 1);
  EXPECT_EQ(flash.DeviceList().Count(), 0);
  std::vector<std::uint8_t> block(256);
  EXPECT_EQ(item->SendRead(0x10080000, block), 0);
}

TEST_F(PhoneTasks, APhoneSentToFlashModeLeavesAndComesBackAsAFlashDevice) {
  auto plugged = rig_.plug(PhoneMode::P2K, 0x4901, 2, 7);
  virtualphone::P2KPersonality::Install(*plugged.phone, virtualphone::P2KPersonality::Sample());
  phonelink::TMotoP2KMode p2k(Context());
  phonelink::TMotoFlashMode flash(Context());
  int p2kRemovals = 0, flashArrivals = 0;
  p2k.SetOnRemove([&](auto&) { ++p2kRemovals; });
  flash.SetOnArrival([&](const auto&) { ++flashArrivals; });
  auto item = p2k.DeviceList().Items(0);
  ASSERT_TRUE(item && item->OpenPhone());

  ASSERT_TRUE(item->SwitchToFlashMode());
  EXPECT_EQ(plugged.phone->mode(), PhoneMode::Flash);
  const auto moved = rig_.followModeChange(plugged);
  Bus().deliverNotices();

  EXPECT_EQ(p2kRemovals, 1);
  EXPECT_EQ(flashArrivals, 1);
  ASSERT_EQ(flash.DeviceList().Count(), 1);
  auto flashItem = flash.DeviceList().Items(0);
  EXPECT_EQ(flashItem->ModemInfo().DevicePath, moved.devnode + "#VID_22B8&PID_4903&MI_00");
  EXPECT_EQ(flashItem->ModemInfo().LocationInformation, "1-2");
  std::string drives;
  EXPECT_FALSE(item->GetDrives(drives));  // the P2K handle went with the old device
  ASSERT_TRUE(flashItem->OpenPhone());
  EXPECT_TRUE(flashItem->SendAddr(kBase));
}

TEST_F(PhoneTasks, ThroughATModeAndBackTheModemTtyCarriesExactlyTheCommandLine) {
  auto plugged = rig_.plug(PhoneMode::P2K, 0x4901, 2, 7);
  virtualphone::P2KPersonality::Install(*plugged.phone, virtualphone::P2KPersonality::Sample());
  phonelink::TMotoP2KMode p2k(Context());
  phonelink::TMotoATMode at(Context());
  int p2kArrivals = 0, atArrivals = 0, atRemovals = 0;
  p2k.SetOnArrival([&](const auto&) { ++p2kArrivals; });
  at.SetOnArrival([&](const auto&) { ++atArrivals; });
  at.SetOnRemove([&](auto&) { ++atRemovals; });
  auto item = p2k.DeviceList().Items(0);
  ASSERT_TRUE(item && item->OpenPhone());

  ASSERT_TRUE(item->SwitchToATMode());
  ASSERT_EQ(plugged.phone->mode(), PhoneMode::AT);
  const auto modem = rig_.followModeChange(plugged);
  Bus().deliverNotices();
  EXPECT_EQ(atArrivals, 1);
  ASSERT_EQ(at.DeviceList().Count(), 1);
  auto atItem = at.DeviceList().Items(0);
  // Matched to its phone through the USB interface above the tty.
  EXPECT_EQ(atItem->ModemInfo().DevicePath, "/dev/ttyACM2");
  EXPECT_EQ(atItem->ModemInfo().LocationInformation, "1-2");
  EXPECT_EQ(atItem->ModemInfo().Service, "cdc_acm");
  ASSERT_TRUE(atItem->OpenPhone()) << atItem->OpenError().describe();

  atItem->SwitchMode(0);
  EXPECT_EQ(rig_.serveModem(modem), "AT+Mode=8\r\n");
  EXPECT_EQ(plugged.phone->mode(), PhoneMode::P2K);
  rig_.followModeChange(modem);
  Bus().deliverNotices();
  EXPECT_EQ(atRemovals, 1);
  EXPECT_EQ(p2kArrivals, 1);
  EXPECT_EQ(at.DeviceList().Count(), 0);
  EXPECT_EQ(p2k.DeviceList().Count(), 1);
}

TEST_F(PhoneTasks, AModemThatHangsUpIsNoLongerOpen) {
  auto plugged = rig_.plug(PhoneMode::AT, 0x4902, 4, 5);
  phonelink::TMotoATMode at(Context());
  ASSERT_EQ(at.DeviceList().Count(), 1);
  auto item = at.DeviceList().Items(0);
  ASSERT_TRUE(item->OpenPhone()) << item->OpenError().describe();
  EXPECT_TRUE(item->IsOpen());

  rig_.hangUp(plugged);
  EXPECT_FALSE(item->IsOpen());
  const std::vector<std::uint8_t> line{'A', 'T', '\r', '\n'};
  EXPECT_EQ(item->WriteData(line), 0u);
}

TEST_F(PhoneTasks, AWatchedBusLooksForChangesOnlyWhenItsDescriptorTurnsReadable) {
  phonelink::TMotoP2KMode p2k(Context());
  int arrivals = 0, removals = 0;
  p2k.SetOnArrival([&](const auto&) { ++arrivals; });
  p2k.SetOnRemove([&](auto&) { ++removals; });
  auto watch = Bus().watchNotices();
  ASSERT_TRUE(watch);
  EXPECT_GE(watch->descriptor(), 0);

  // Nothing there: the wait runs its time out.
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(watch->wait(50));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));

  auto plugged = rig_.plug(PhoneMode::P2K, 0x4901, 2, 7);
  Bus().deliverNotices();
  EXPECT_EQ(arrivals, 0);  // watched: the monitor is left to the loop
  EXPECT_TRUE(watch->wait(2000));
  Bus().deliverNotices();
  EXPECT_EQ(arrivals, 1);

  watch.reset();  // unwatched: every delivery reads the monitor again
  rig_.unplug(plugged);
  Bus().deliverNotices();
  EXPECT_EQ(removals, 1);
}

}  // namespace
}  // namespace vestrel::platform
