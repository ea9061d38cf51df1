// The libusb driver handle keeps the contract every backend keeps, on a umockdev phone.
#include <cstdio>

#include "platform/linux/LinuxBus.h"
#include "tests/platform/DriverHandleContract.h"
#include "tests/platform/linux/UsbdevfsPhone.h"

namespace vestrel::testing {
namespace {

using virtualphone::PhoneMode;
using virtualphone::ReplyFault;

class UsbAdapter final : public DriverHandleAdapter {
 public:
  UsbAdapter() {
    platform::OsError error;
    bus_ = platform::LinuxBus::Open(platform::PhoneTable(), error);
  }

  std::unique_ptr<platform::DriverHandle> Open(Phone behaviour) override {
    ++plugged_;
    auto phone = rig_.plug(PhoneMode::P2K, 0x4901, plugged_, 10 + plugged_);
    char path[64];
    std::snprintf(path, sizeof path, "%s#VID_22B8&PID_4901&MI_08", phone.devnode.c_str());
    auto handle = bus_->openDriver(path).handle;
    switch (behaviour) {
      case Phone::Answers:
        break;
      case Phone::Silent:
        phone.phone->setReplyFault(ReplyFault::Silent);
        break;
      case Phone::Stalls:
        phone.phone->setReplyFault(ReplyFault::Stall);
        break;
      case Phone::Leaves:
        rig_.unplug(phone);
        break;
    }
    return handle;
  }

 private:
  UsbdevfsPhones rig_;
  std::unique_ptr<platform::LinuxBus> bus_;
  int plugged_ = 0;
};

std::unique_ptr<DriverHandleAdapter> MakeUsbAdapter() { return std::make_unique<UsbAdapter>(); }

INSTANTIATE_TEST_SUITE_P(Libusb, DriverHandleContract, ::testing::Values(&MakeUsbAdapter));

}  // namespace
}  // namespace vestrel::testing
