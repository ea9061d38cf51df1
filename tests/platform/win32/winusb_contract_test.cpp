// The WinUSB handle keeps the contract every driver backend keeps. Wine's WinUSB has no device
// to drive, so the handle's WinUSB calls go to a table whose entries play each transfer on the
// virtual phone's own driver side, with WinUSB's errors: ERROR_SEM_TIMEOUT for a transfer whose
// pipe time-out ran out, ERROR_GEN_FAILURE for a stalled endpoint (which stays halted until
// the pipe is reset), ERROR_BAD_COMMAND once the device left.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "platform/win32/Win32Error.h"
#include "platform/win32/WinUsbDriverHandle.h"
#include "tests/platform/DriverHandleContract.h"
#include "tests/support/PhoneRig.h"
#include "tests/support/TempFolder.h"

namespace vestrel::testing {
namespace {

using platform::IoOutcome;
using platform::Wait;
using Bytes = std::vector<std::uint8_t>;

constexpr UCHAR kBulkOut = 0x01;
constexpr UCHAR kBulkIn = 0x82;
constexpr std::size_t kDriverBytes = 4;

// One initialised interface: the virtual phone's driver side and the pipes' state.
struct FakeInterface {
  std::unique_ptr<platform::DriverHandle> phone;
  std::map<UCHAR, ULONG> timeouts;
  std::set<UCHAR> halted;
  int resets = 0;
  int aborts = 0;
};

// The interface the next WinUsb_Initialize hands out; the adapter sets it before each open.
FakeInterface* nextInterface = nullptr;

FakeInterface& Of(WINUSB_INTERFACE_HANDLE usb) { return *static_cast<FakeInterface*>(usb); }

BOOL Fail(DWORD reason) {
  SetLastError(reason);
  return FALSE;
}

// Plays one transfer as the vendor driver's request and turns its outcome into WinUSB's.
BOOL Play(FakeInterface& usb, UCHAR pipe, std::uint32_t code, const Bytes& input, Bytes& output,
          ULONG& moved) {
  if (pipe != 0 && usb.halted.contains(pipe)) return Fail(ERROR_GEN_FAILURE);
  const IoOutcome outcome = usb.phone->ioControl(code, input, output, usb.timeouts[pipe]);
  if (outcome.wait == Wait::Failed) return Fail(ERROR_BAD_COMMAND);
  if (outcome.wait == Wait::Timeout) return Fail(ERROR_SEM_TIMEOUT);
  if (!outcome.resultOk) {
    if (pipe != 0) usb.halted.insert(pipe);
    return Fail(ERROR_GEN_FAILURE);
  }
  moved = outcome.bytesReturned > kDriverBytes ? outcome.bytesReturned - kDriverBytes : 0;
  return TRUE;
}

void PutLowFirst32(Bytes& bytes, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8)
    bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

BOOL WINAPI Initialize(HANDLE, PWINUSB_INTERFACE_HANDLE usb) {
  if (!nextInterface) return Fail(ERROR_NOT_SUPPORTED);
  *usb = nextInterface;
  nextInterface = nullptr;
  return TRUE;
}

BOOL WINAPI Free(WINUSB_INTERFACE_HANDLE) { return TRUE; }

BOOL WINAPI QueryInterfaceSettings(WINUSB_INTERFACE_HANDLE, UCHAR, PUSB_INTERFACE_DESCRIPTOR d) {
  *d = {};
  d->bLength = sizeof(*d);
  d->bInterfaceNumber = 8;
  d->bNumEndpoints = 2;
  d->bInterfaceClass = 0xFF;
  return TRUE;
}

BOOL WINAPI QueryPipe(WINUSB_INTERFACE_HANDLE, UCHAR, UCHAR index, PWINUSB_PIPE_INFORMATION pipe) {
  if (index > 1) return Fail(ERROR_NO_MORE_ITEMS);
  *pipe = {};
  pipe->PipeType = UsbdPipeTypeBulk;
  pipe->PipeId = index == 0 ? kBulkOut : kBulkIn;
  pipe->MaximumPacketSize = 512;
  return TRUE;
}

BOOL WINAPI SetPipePolicy(WINUSB_INTERFACE_HANDLE usb, UCHAR pipe, ULONG policy, ULONG size,
                          PVOID value) {
  if (policy != PIPE_TRANSFER_TIMEOUT || size != sizeof(ULONG))
    return Fail(ERROR_INVALID_PARAMETER);
  Of(usb).timeouts[pipe] = *static_cast<ULONG*>(value);
  return TRUE;
}

BOOL WINAPI ControlTransfer(WINUSB_INTERFACE_HANDLE usb, WINUSB_SETUP_PACKET setup, PUCHAR buffer,
                            ULONG length, PULONG transferred, LPOVERLAPPED) {
  const bool toHost = (setup.RequestType & 0x80) != 0;
  Bytes input = {setup.RequestType,
                 setup.Request,
                 static_cast<std::uint8_t>(setup.Value),
                 static_cast<std::uint8_t>(setup.Value >> 8),
                 static_cast<std::uint8_t>(setup.Index),
                 static_cast<std::uint8_t>(setup.Index >> 8),
                 static_cast<std::uint8_t>(setup.Length),
                 static_cast<std::uint8_t>(setup.Length >> 8)};
  if (toHost) {
    input.push_back(0);
  } else {
    input.insert(input.end(), buffer, buffer + length);
  }
  Bytes output(kDriverBytes + length + 1);
  ULONG moved = 0;
  if (!Play(Of(usb), 0, platform::IOCTL_P2K_CONTROL, input, output, moved)) return FALSE;
  if (toHost) {
    moved = std::min(moved, length);
    std::copy_n(output.begin() + kDriverBytes, moved, buffer);
  } else {
    moved = length;
  }
  *transferred = moved;
  return TRUE;
}

BOOL WINAPI ReadPipe(WINUSB_INTERFACE_HANDLE usb, UCHAR pipe, PUCHAR buffer, ULONG length,
                     PULONG transferred, LPOVERLAPPED) {
  Bytes input = {2};
  PutLowFirst32(input, length);
  Bytes output(kDriverBytes + length);
  ULONG moved = 0;
  if (!Play(Of(usb), pipe, platform::IOCTL_P2K_READ, input, output, moved)) return FALSE;
  std::copy_n(output.begin() + kDriverBytes, moved, buffer);
  *transferred = moved;
  return TRUE;
}

BOOL WINAPI WritePipe(WINUSB_INTERFACE_HANDLE usb, UCHAR pipe, PUCHAR buffer, ULONG length,
                      PULONG transferred, LPOVERLAPPED) {
  Bytes input = {2};
  PutLowFirst32(input, length);
  input.insert(input.end(), buffer, buffer + length);
  input.push_back(0);
  Bytes output;
  ULONG moved = 0;
  if (!Play(Of(usb), pipe, platform::IOCTL_P2K_WRITE, input, output, moved)) return FALSE;
  *transferred = length;
  return TRUE;
}

BOOL WINAPI ResetPipe(WINUSB_INTERFACE_HANDLE usb, UCHAR pipe) {
  Of(usb).halted.erase(pipe);
  ++Of(usb).resets;
  return TRUE;
}

BOOL WINAPI AbortPipe(WINUSB_INTERFACE_HANDLE usb, UCHAR) {
  ++Of(usb).aborts;
  return TRUE;
}

const platform::WinUsbApi kVirtualWinUsb = {Initialize, Free,          QueryInterfaceSettings,
                                            QueryPipe,  SetPipePolicy, ControlTransfer,
                                            ReadPipe,   WritePipe,     ResetPipe,
                                            AbortPipe};

// Each handle opens a file of the test's own overlapped, as the interface's device path would
// be, and WinUSB is initialised on it with the interface of a freshly plugged phone.
class WinUsbAdapter final : public DriverHandleAdapter {
 public:
  std::unique_ptr<platform::DriverHandle> Open(Phone behaviour) override {
    auto phone = rig_.plug("W" + std::to_string(++plugged_));
    interfaces_.push_back(std::make_unique<FakeInterface>());
    FakeInterface& usb = *interfaces_.back();
    usb.phone = rig_.bus.openDriver(phone->devicePath()).handle;
    const auto path = folder_.path() / ("interface" + std::to_string(plugged_));
    std::ofstream(path).put('x');
    nextInterface = &usb;
    auto opened = platform::WinUsbDriverHandle::Open(path.string(), kVirtualWinUsb);
    EXPECT_NE(opened.handle, nullptr) << opened.error.describe();
    switch (behaviour) {
      case Phone::Answers:
        break;
      case Phone::Silent:
        phone->setReplyFault(virtualphone::ReplyFault::Silent);
        break;
      case Phone::Stalls:
        phone->setReplyFault(virtualphone::ReplyFault::Stall);
        break;
      case Phone::Leaves:
        rig_.bus.unplug(*phone);
        break;
    }
    return std::move(opened.handle);
  }

  FakeInterface& last() { return *interfaces_.back(); }

 private:
  PhoneRig rig_;
  TempFolder folder_;
  std::vector<std::unique_ptr<FakeInterface>> interfaces_;
  int plugged_ = 0;
};

std::unique_ptr<DriverHandleAdapter> MakeWinUsbAdapter() {
  return std::make_unique<WinUsbAdapter>();
}

INSTANTIATE_TEST_SUITE_P(WinUsb, DriverHandleContract, ::testing::Values(&MakeWinUsbAdapter));

// A stall costs its one request: the halted pipe is reset, so the next block read is answered.
TEST(WinUsbDriverHandle, AStalledReadResetsItsPipeAndTheNextOneIsAnswered) {
  WinUsbAdapter adapter;
  auto handle = adapter.Open(DriverHandleAdapter::Phone::Answers);
  ASSERT_NE(handle, nullptr);
  FakeInterface& usb = adapter.last();
  usb.halted.insert(kBulkIn);
  const Bytes write = {0x02, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x02, 0x0F, 0xFF,
                       0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  const Bytes read = {0x02, 0x00, 0x10, 0x00, 0x00};
  Bytes output(4101);
  ASSERT_TRUE(handle->ioControl(platform::IOCTL_P2K_WRITE, write, output, 1000).callOk);
  const IoOutcome stalled = handle->ioControl(platform::IOCTL_P2K_READ, read, output, 1000);
  EXPECT_EQ(stalled.wait, Wait::Signalled);
  EXPECT_EQ(stalled.error.name(), "ERROR_GEN_FAILURE");
  EXPECT_EQ(usb.resets, 1);
  const IoOutcome answered = handle->ioControl(platform::IOCTL_P2K_READ, read, output, 1000);
  EXPECT_TRUE(answered.callOk);
  EXPECT_EQ(Bytes(output.begin() + 4, output.begin() + 8), (Bytes{0x00, 0x02, 0x0F, 0xFF}));
}

// Each request's wait is its pipe's time-out; WinUSB would read 0 as "never", so 0 is 1 ms.
TEST(WinUsbDriverHandle, EachWaitBecomesItsPipesTimeOutAndATimeOutIsNamed) {
  WinUsbAdapter adapter;
  auto handle = adapter.Open(DriverHandleAdapter::Phone::Silent);
  ASSERT_NE(handle, nullptr);
  FakeInterface& usb = adapter.last();
  const Bytes poll = {0xC1, 0x00, 0x00, 0x00, 0x08, 0x00, 0x08, 0x00, 0x00};
  const Bytes read = {0x02, 0x00, 0x10, 0x00, 0x00};
  Bytes output(4101);
  EXPECT_EQ(handle->ioControl(platform::IOCTL_P2K_CONTROL, poll, output, 5000).error.name(),
            "ERROR_SEM_TIMEOUT");
  EXPECT_EQ(usb.timeouts[0], 5000u);
  handle->ioControl(platform::IOCTL_P2K_READ, read, output, 0);
  EXPECT_EQ(usb.timeouts[kBulkIn], 1u);
  handle->cancelIo();
  EXPECT_EQ(usb.aborts, 2);
}

TEST(WinUsbDriverHandle, AnInterfaceWinUsbRefusesSaysWhyItDidNotOpen) {
  TempFolder folder;
  const auto path = folder.path() / "interface";
  std::ofstream(path).put('x');
  nextInterface = nullptr;
  const auto opened = platform::WinUsbDriverHandle::Open(path.string(), kVirtualWinUsb);
  EXPECT_EQ(opened.handle, nullptr);
  EXPECT_EQ(opened.error.name(), "ERROR_NOT_SUPPORTED");
  const auto missing =
      platform::WinUsbDriverHandle::Open((folder.path() / "none").string(), kVirtualWinUsb);
  EXPECT_EQ(missing.error.name(), "ERROR_FILE_NOT_FOUND");
}

}  // namespace
}  // namespace vestrel::testing
