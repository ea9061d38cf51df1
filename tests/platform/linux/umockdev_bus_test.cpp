// The Linux backend (libudev, libusb) on a umockdev testbed whose usbfs nodes the virtual phone
// answers: the real enumeration, monitor and libusb requests, without a phone.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>

#include "phonelink/DriverRequests.h"
#include "platform/DeviceClasses.h"
#include "platform/virtual/P2KPersonality.h"
#include "tests/platform/linux/OnUmockdev.h"

namespace vestrel::platform {
namespace {

using platform::IoOutcome;
using platform::LinuxBus;
using platform::Wait;
using ::testing::HasSubstr;
using virtualphone::PhoneMode;

using testing::OnUmockdev;

// A block read request for `wanted` bytes.
std::vector<std::uint8_t> ReadRequest(std::uint32_t wanted) {
  return {2, static_cast<std::uint8_t>(wanted), static_cast<std::uint8_t>(wanted >> 8), 0, 0};
}

TEST_F(OnUmockdev, EachFamilyFindsTheInterfaceItsTableRowNames) {
  rig_.plug(PhoneMode::P2K, 0x4901, 2, 7);
  rig_.plug(PhoneMode::Flash, 0x4903, 3, 9);

  phonelink::TUSBDevices p2k, flash, at;
  phonelink::EnumUSBDevices(Bus(), platform::kPhoneDriverClass, "Test Command Interface", p2k);
  phonelink::EnumUSBDevices(Bus(), platform::kPhoneDriverClass, "Motorola Flash Interface", flash);
  phonelink::EnumUSBDevices(Bus(), platform::kUsbDeviceClass, "Motorola USB Modem", at);

  ASSERT_EQ(p2k.size(), 1u);
  EXPECT_EQ(p2k[0].DevicePath, "/dev/bus/usb/001/007#VID_22B8&PID_4901&MI_08");
  EXPECT_EQ(p2k[0].LocationInformation, "1-2");
  EXPECT_EQ(p2k[0].CompatibleIDs, "USB\\Class_ff&SubClass_03&Prot_ff");
  EXPECT_EQ(p2k[0].FriendlyName, "Triplet GSM Phone (P2K)");
  ASSERT_EQ(flash.size(), 1u);
  EXPECT_EQ(flash[0].DevicePath, "/dev/bus/usb/001/009#VID_22B8&PID_4903&MI_00");
  EXPECT_NE(flash[0].DevInst, p2k[0].DevInst);
  EXPECT_TRUE(at.empty());
}

TEST_F(OnUmockdev, P2KCommandsGoThroughLibusbOnBothTransports) {
  auto plugged = rig_.plug(PhoneMode::P2K, 0x4901, 2, 7);
  virtualphone::P2KPersonality::Install(*plugged.phone, virtualphone::P2KPersonality::Sample());
  phonelink::TMotoP2KMode mode(Context());
  ASSERT_EQ(mode.DeviceList().Count(), 1);
  auto item = mode.DeviceList().Items(0);
  EXPECT_EQ(item->InterfaceNumber(), 8);

  ASSERT_TRUE(item->OpenPhone());
  EXPECT_EQ(item->CMDFormatOptions(),
            phonelink::cfoP2K);  // the probe was answered over control transfers
  std::string overControl;
  ASSERT_TRUE(item->GetDrives(overControl));

  item->SetCMDFormatOptions(phonelink::cfoP2K05);
  std::string overBlocks;
  ASSERT_TRUE(item->GetDrives(overBlocks));
  EXPECT_EQ(overBlocks, overControl);
  EXPECT_THAT(overControl, HasSubstr("/a"));
  // Probe, then one command per transport, in sequence.
  EXPECT_THAT(plugged.phone->sequenceNumbers(), ::testing::ElementsAre(2, 3, 4));
}

// The endpoint stays halted after a stall until the host clears it: the command that met the
// stall is lost, the ones after it go through.
TEST_F(OnUmockdev, OneStallOnTheBlockTransportCostsOneCommandOnly) {
  auto plugged = rig_.plug(PhoneMode::P2K, 0x4901, 2, 7);
  virtualphone::P2KPersonality::Install(*plugged.phone, virtualphone::P2KPersonality::Sample());
  phonelink::TMotoP2KMode mode(Context());
  auto item = mode.DeviceList().Items(0);
  ASSERT_TRUE(item && item->OpenPhone());
  item->SetCMDFormatOptions(phonelink::cfoP2K05);
  plugged.phone->setReplyFault(virtualphone::ReplyFault::Stall);
  std::string drives;
  EXPECT_FALSE(item->GetDrives(drives));
  plugged.phone->setReplyFault(virtualphone::ReplyFault::None);
  ASSERT_TRUE(item->GetDrives(drives));
  EXPECT_THAT(drives, HasSubstr("/a"));
  ASSERT_TRUE(item->GetDrives(drives));
}

// A reply longer than one usbfs control transfer arrives cut and fails its own command; the
// phone has let go of it, so the commands after it are answered.
TEST_F(OnUmockdev, AControlReplyTooLongForOneTransferCostsItsCommandOnly) {
  auto plugged = rig_.plug(PhoneMode::P2K, 0x4901, 2, 7);
  auto personality = virtualphone::P2KPersonality::Sample();
  personality->MutableState().files["/a/big.bin"].contents.assign(6000, 0x5A);
  virtualphone::P2KPersonality::Install(*plugged.phone, personality);
  phonelink::TMotoP2KMode mode(Context());
  auto item = mode.DeviceList().Items(0);
  ASSERT_TRUE(item && item->OpenPhone());
  ASSERT_EQ(item->CMDFormatOptions(), phonelink::cfoP2K);

  ASSERT_TRUE(item->FileOpen("/a/big.bin", phonelink::faOpenForRead));
  std::vector<std::uint8_t> block(4090);  // 14 header bytes and 4090 data: past 4096
  EXPECT_EQ(item->FileRead(block), 0);
  std::vector<std::uint8_t> small(1000);
  EXPECT_EQ(item->FileRead(small), 1000);
  EXPECT_EQ(small, std::vector<std::uint8_t>(1000, 0x5A));
  EXPECT_TRUE(item->FileClose());
  std::string drives;
  EXPECT_TRUE(item->GetDrives(drives));
}

// A block read ended by its wait, not by a short packet, still hands over the reply it got.
TEST_F(OnUmockdev, ABlockReadCutShortByItsWaitKeepsWhatCame) {
  auto plugged = rig_.plug(PhoneMode::P2K, 0x4901, 2, 7);
  virtualphone::P2KPersonality::Install(*plugged.phone, virtualphone::P2KPersonality::Sample());
  auto opened = Bus().openDriver("/dev/bus/usb/001/007#VID_22B8&PID_4901&MI_08");
  ASSERT_TRUE(opened.handle) << opened.error.describe();
  rig_.setBulkReadsHeldOpen(true);

  // The probe command as a block: sequence 0x0123, command 0x0FFF, no payload.
  std::vector<std::uint8_t> frame(phonelink::driver::kBlockWriteHeader + 12 + 1, 0);
  frame[5] = 0x01;
  frame[6] = 0x23;
  frame[7] = 0x0F;
  frame[8] = 0xFF;
  ASSERT_TRUE(phonelink::driver::BlockWrite(*opened.handle, frame, 1000));
  std::vector<std::uint8_t> output(phonelink::driver::kOutputMax);
  std::uint32_t received = 0;
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(phonelink::driver::BlockRead(*opened.handle, 4096, output, 300, received));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
  ASSERT_GE(received, phonelink::driver::kDriverBytes + 12);
  // The reply echoes the sequence number and holds as many bytes as its header declares.
  EXPECT_EQ(output[4], 0x01);
  EXPECT_EQ(output[5], 0x23);
  const std::size_t declared = output[4 + 10] << 8 | output[4 + 11];
  EXPECT_EQ(received, phonelink::driver::kDriverBytes + 12 + declared);
}

TEST_F(OnUmockdev, AModeChangeIsARemovalAndAnArrival) {
  auto p2kPhone = rig_.plug(PhoneMode::P2K, 0x4901, 2, 7);
  phonelink::TMotoP2KMode p2k(Context());
  phonelink::TMotoFlashMode flash(Context());
  int p2kRemovals = 0, flashArrivals = 0, p2kArrivals = 0;
  p2k.SetOnRemove([&](auto&) { ++p2kRemovals; });
  p2k.SetOnArrival([&](const auto&) { ++p2kArrivals; });
  flash.SetOnArrival([&](const auto&) { ++flashArrivals; });
  ASSERT_EQ(p2k.DeviceList().Count(), 1);

  Bus().deliverNotices();  // nothing changed: no events
  EXPECT_EQ(p2kRemovals + p2kArrivals + flashArrivals, 0);

  rig_.unplug(p2kPhone);
  rig_.plug(PhoneMode::Flash, 0x4903, 2, 8);
  Bus().deliverNotices();

  EXPECT_EQ(p2kRemovals, 1);
  EXPECT_EQ(flashArrivals, 1);
  EXPECT_EQ(p2kArrivals, 0);
  EXPECT_EQ(p2k.DeviceList().Count(), 0);
  ASSERT_EQ(flash.DeviceList().Count(), 1);
  EXPECT_EQ(flash.DeviceList().Items(0)->ModemInfo().DevicePath,
            "/dev/bus/usb/001/008#VID_22B8&PID_4903&MI_00");
}

TEST_F(OnUmockdev, DriverRequestsEndAsTheDriverWouldReportThem) {
  auto plugged = rig_.plug(PhoneMode::P2K, 0x4901, 2, 7);
  auto opened = Bus().openDriver("/dev/bus/usb/001/007#VID_22B8&PID_4901&MI_08");
  ASSERT_TRUE(opened.handle) << opened.error.describe();
  auto& handle = *opened.handle;

  // Status poll on the P2K interface: 4 driver bytes and the 8-byte status stage.
  std::vector<std::uint8_t> output(4101);
  const std::vector<std::uint8_t> poll{0xC1, 0x00, 0, 0, 8, 0, 8, 0, 0};
  IoOutcome done = handle.ioControl(platform::IOCTL_P2K_CONTROL, poll, output, 5000);
  EXPECT_TRUE(done.callOk && done.resultOk && done.wait == Wait::Signalled);
  EXPECT_EQ(done.bytesReturned, 12u);

  // A request on an interface the phone does not have stalls.
  const std::vector<std::uint8_t> wrongInterface{0xC1, 0x00, 0, 0, 3, 0, 8, 0, 0};
  IoOutcome stalled = handle.ioControl(platform::IOCTL_P2K_CONTROL, wrongInterface, output, 5000);
  EXPECT_FALSE(stalled.callOk);
  EXPECT_EQ(stalled.wait, Wait::Signalled);
  EXPECT_EQ(stalled.error.name(), "LIBUSB_ERROR_PIPE");

  // Nothing to read: the wait runs out after its time, and 0 ms is one look, not "forever".
  for (const std::uint32_t waitMs : {0u, 60u}) {
    const auto start = std::chrono::steady_clock::now();
    IoOutcome timedOut =
        handle.ioControl(platform::IOCTL_P2K_READ, ReadRequest(4096), output, waitMs);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(timedOut.wait, Wait::Timeout) << waitMs;
    EXPECT_FALSE(timedOut.callOk);
    EXPECT_EQ(timedOut.bytesReturned, 0u);
    EXPECT_GE(took, std::chrono::milliseconds(waitMs));
    EXPECT_LT(took, std::chrono::milliseconds(waitMs + 2000));
  }

  // Unplugged in the middle: the next request finds the device gone.
  rig_.unplug(plugged);
  IoOutcome gone = handle.ioControl(platform::IOCTL_P2K_CONTROL, poll, output, 5000);
  EXPECT_EQ(gone.wait, Wait::Failed);
  EXPECT_EQ(gone.error.name(), "LIBUSB_ERROR_NO_DEVICE");
  EXPECT_FALSE(handle.close().failed());
  EXPECT_EQ(handle.ioControl(platform::IOCTL_P2K_CONTROL, poll, output, 5000).wait, Wait::Failed);
}

TEST_F(OnUmockdev, ACommandWhoseReplyNeverComesFailsAfterItsWait) {
  auto plugged = rig_.plug(PhoneMode::P2K, 0x4901, 2, 7);
  virtualphone::P2KPersonality::Install(*plugged.phone, virtualphone::P2KPersonality::Sample());
  phonelink::TMotoP2KMode mode(Context());
  auto item = mode.DeviceList().Items(0);
  ASSERT_TRUE(item->OpenPhone());
  plugged.phone->vanishAfter(0);
  std::string drives;
  EXPECT_FALSE(item->GetDrives(drives));
}

TEST_F(OnUmockdev, ABusyInterfaceSaysSo) {
  rig_.plug(PhoneMode::P2K, 0x4901, 2, 7);
  rig_.setInterfaceBusy(true);
  auto opened = Bus().openDriver("/dev/bus/usb/001/007#VID_22B8&PID_4901&MI_08");
  EXPECT_FALSE(opened.handle);
  EXPECT_EQ(opened.error.name(), "LIBUSB_ERROR_BUSY");
  EXPECT_THAT(opened.error.text(), HasSubstr("holds it"));

  auto missing = Bus().openDriver("/dev/bus/usb/001/042#VID_22B8&PID_4901&MI_08");
  EXPECT_FALSE(missing.handle);
  EXPECT_EQ(missing.error.name(), "ENOENT");
}

}  // namespace
}  // namespace vestrel::platform
