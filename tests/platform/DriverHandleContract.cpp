#include "tests/platform/DriverHandleContract.h"

#include <array>
#include <vector>

namespace vestrel::testing {
namespace {

using platform::IoOutcome;
using platform::Wait;
using Phone = DriverHandleAdapter::Phone;
using Bytes = std::vector<std::uint8_t>;

// The probe command 0FFF with sequence number 2, as a control transfer's setup and data stage.
const Bytes kControlSend = {0x41, 0x02, 0x00, 0x00, 0x08, 0x00, 0x08, 0x00,
                            0x00, 0x02, 0x0F, 0xFF, 0x00, 0x00, 0x00, 0x00};
// The poll for waiting replies: setup packet and one zero byte.
const Bytes kControlPoll = {0xC1, 0x00, 0x00, 0x00, 0x08, 0x00, 0x08, 0x00, 0x00};
// The same command as a block write: type 2, length 12, the 12-byte block, one spare byte.
const Bytes kBlockWrite = {0x02, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x02, 0x0F, 0xFF,
                           0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
const Bytes kBlockRead = {0x02, 0x00, 0x10, 0x00, 0x00};

struct Request {
  const char* name;
  std::uint32_t code;
  const Bytes* input;
  std::size_t outputSize;
};

const std::array<Request, 4> kRequests = {{
    {"control send", platform::IOCTL_P2K_CONTROL, &kControlSend, 5},
    {"control poll", platform::IOCTL_P2K_CONTROL, &kControlPoll, 4101},
    {"block write", platform::IOCTL_P2K_WRITE, &kBlockWrite, 0},
    {"block read", platform::IOCTL_P2K_READ, &kBlockRead, 4101},
}};

IoOutcome Issue(platform::DriverHandle& handle, const Request& request, Bytes& output) {
  output.assign(request.outputSize, 0xEE);
  return handle.ioControl(request.code, *request.input, output, 50);
}

void ExpectNothingFinished(const IoOutcome& outcome, Wait wait, const char* name) {
  SCOPED_TRACE(name);
  EXPECT_FALSE(outcome.callOk);
  EXPECT_EQ(outcome.wait, wait);
  EXPECT_FALSE(outcome.resultOk);
  EXPECT_EQ(outcome.bytesReturned, 0u);
  EXPECT_TRUE(outcome.error.failed());
}

TEST_P(DriverHandleContract, AnAnsweringPhoneCompletesEachCodeWithItsLayout) {
  auto handle = Open(Phone::Answers);
  ASSERT_NE(handle, nullptr);
  Bytes output;
  const IoOutcome sent = Issue(*handle, kRequests[0], output);
  EXPECT_TRUE(sent.callOk && sent.resultOk);
  EXPECT_EQ(sent.wait, Wait::Signalled);
  EXPECT_FALSE(sent.error.failed());

  // The poll: 4 driver bytes, then flag, count 1 and the reply's size.
  const IoOutcome polled = Issue(*handle, kRequests[1], output);
  EXPECT_TRUE(polled.callOk && polled.resultOk);
  ASSERT_EQ(polled.bytesReturned, 4u + 8u);
  EXPECT_EQ(output[5], 1);

  const IoOutcome written = Issue(*handle, kRequests[2], output);
  EXPECT_TRUE(written.callOk && written.resultOk);
  EXPECT_EQ(written.wait, Wait::Signalled);

  // The block reply echoes sequence 2 and command 0FFF after the 4 driver bytes.
  const IoOutcome read = Issue(*handle, kRequests[3], output);
  EXPECT_TRUE(read.callOk && read.resultOk);
  ASSERT_GE(read.bytesReturned, 4u + 12u);
  EXPECT_EQ(Bytes(output.begin() + 4, output.begin() + 8), (Bytes{0x00, 0x02, 0x0F, 0xFF}));
  EXPECT_FALSE(handle->close().failed());
}

TEST_P(DriverHandleContract, ASilentPhoneTimesOutEveryCodeAndFinishesNothing) {
  auto handle = Open(Phone::Silent);
  ASSERT_NE(handle, nullptr);
  Bytes output;
  for (const Request& request : kRequests) {
    ExpectNothingFinished(Issue(*handle, request, output), Wait::Timeout, request.name);
    handle->cancelIo();
  }
}

// A stalled endpoint ends at once with a signalled wait; a phone that left fails as gone.
TEST_P(DriverHandleContract, AStalledOrDepartedPhoneFailsEveryCodeInItsShape) {
  for (const auto& [phone, wait] :
       {std::pair{Phone::Stalls, Wait::Signalled}, std::pair{Phone::Leaves, Wait::Failed}}) {
    auto handle = Open(phone);
    ASSERT_NE(handle, nullptr);
    Bytes output;
    for (const Request& request : kRequests) {
      ExpectNothingFinished(Issue(*handle, request, output), wait, request.name);
    }
  }
}

TEST_P(DriverHandleContract, AClosedHandleFailsAsGoneAndClosesOnce) {
  auto handle = Open(Phone::Answers);
  ASSERT_NE(handle, nullptr);
  EXPECT_FALSE(handle->close().failed());
  Bytes output;
  ExpectNothingFinished(Issue(*handle, kRequests[1], output), Wait::Failed, "after close");
  EXPECT_TRUE(handle->close().failed());
}

}  // namespace
}  // namespace vestrel::testing
