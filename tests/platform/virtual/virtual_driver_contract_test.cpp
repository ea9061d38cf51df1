// The virtual phone's driver side keeps the contract every backend keeps.
#include "tests/platform/DriverHandleContract.h"
#include "tests/support/PhoneRig.h"

namespace vestrel::testing {
namespace {

using virtualphone::ReplyFault;

class VirtualAdapter final : public DriverHandleAdapter {
 public:
  std::unique_ptr<platform::DriverHandle> Open(Phone behaviour) override {
    auto phone = rig_.plug("C" + std::to_string(++plugged_));
    auto handle = rig_.bus.openDriver(phone->devicePath()).handle;
    switch (behaviour) {
      case Phone::Answers:
        break;
      case Phone::Silent:
        phone->setReplyFault(ReplyFault::Silent);
        break;
      case Phone::Stalls:
        phone->setReplyFault(ReplyFault::Stall);
        break;
      case Phone::Leaves:
        rig_.bus.unplug(*phone);
        break;
    }
    return handle;
  }

 private:
  PhoneRig rig_;
  int plugged_ = 0;
};

std::unique_ptr<DriverHandleAdapter> MakeVirtualAdapter() {
  return std::make_unique<VirtualAdapter>();
}

INSTANTIATE_TEST_SUITE_P(VirtualPhone, DriverHandleContract,
                         ::testing::Values(&MakeVirtualAdapter));

// The loader's endpoint in flash mode times out in the very shape the P2K side does.
TEST(VirtualFlashEndpoint, AReadWithNoReplyTimesOutLikeEveryOtherRequest) {
  PhoneRig rig;
  auto phone = rig.plug("F1", virtualphone::PhoneMode::Flash);
  auto handle = rig.bus.openDriver(phone->devicePath()).handle;
  ASSERT_NE(handle, nullptr);
  const std::uint8_t read[] = {0x02, 0x00, 0x04, 0x00, 0x00};
  std::vector<std::uint8_t> output(4101);
  const platform::IoOutcome outcome =
      handle->ioControl(platform::IOCTL_P2K_READ, read, output, 6000);
  EXPECT_FALSE(outcome.callOk);
  EXPECT_EQ(outcome.wait, platform::Wait::Timeout);
  EXPECT_EQ(outcome.error.name(), "ETIMEDOUT");
  EXPECT_EQ(rig.clock.tickCount(), 6000u);
}

}  // namespace
}  // namespace vestrel::testing
