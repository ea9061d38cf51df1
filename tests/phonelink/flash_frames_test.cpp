#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "phonelink/FlashFrames.h"
#include "tests/support/ScriptedBus.h"

namespace vestrel::phonelink {
namespace {

using platform::IoOutcome;
using platform::Wait;
using ::testing::ElementsAre;
using testing::ScriptedDriverHandle;

using Bytes = std::vector<std::uint8_t>;

// STX, RS and ETX are written \002, \036 and \003.

Bytes bytesOf(std::string_view text) { return Bytes(text.begin(), text.end()); }

flash::Reply replyOf(std::string_view text) {
  flash::Reply reply;
  std::copy(text.begin(), text.end(), reply.bytes.begin());
  reply.length = text.size();
  return reply;
}

TEST(FlashFrames, AddressFramesCarryTheDigitChecksum) {
  EXPECT_EQ(flash::AddrFrame(0x03FD0000), bytesOf("\002ADDR\03603FD0000AD\003"));
  EXPECT_EQ(flash::JumpFrame(0x03FD0010), bytesOf("\002JUMP\03603FD0010AE\003"));
  // The sum wraps: 8 x 'F' is 0x230.
  EXPECT_EQ(flash::AddrFrame(0xFFFFFFFF), bytesOf("\002ADDR\036FFFFFFFF30\003"));
}

TEST(FlashFrames, ShortFramesAreByteExact) {
  EXPECT_EQ(flash::PowerDownFrame(), bytesOf("\002POWER_DOWN\003"));
  EXPECT_EQ(flash::DumpFrame(0x10B1F800), bytesOf("\002DUMP\03610B1F800\003"));
  // The count is decimal on the wire.
  EXPECT_EQ(flash::ReadFrame(0x10080000, 256), bytesOf("\002READ\03610080000,0256\003"));
  EXPECT_EQ(flash::ReadFrame(0x0000ABCD, 7), bytesOf("\002READ\0360000ABCD,0007\003"));
}

TEST(FlashFrames, BinPadsWithFFAndChecksumsThePaddingWithoutEndByte) {
  const Bytes frame = flash::BinFrame(Bytes{1, 2, 3, 4, 5});
  // 0x00 + 0x08 + 15 + 3 * 0xFF = 0x314.
  EXPECT_EQ(frame, (Bytes{0x02, 'B', 'I', 'N', 0x1E, 0x00, 0x08, 1, 2, 3, 4, 5, 0xFF, 0xFF, 0xFF,
                          '1', '4'}));
}

TEST(FlashFrames, BinOfWholeBlocksNeedsNoPadding) {
  const Bytes data(8192, 0x11);
  const Bytes frame = flash::BinFrame(data);
  ASSERT_EQ(frame.size(), 8201u);
  EXPECT_EQ(frame[5], 0x20);
  EXPECT_EQ(frame[6], 0x00);
  // 0x20 + 8192 * 0x11 = 0x22020.
  EXPECT_EQ(std::string(frame.end() - 2, frame.end()), "20");
}

TEST(FlashReplies, AddressCommandsNeedTheirAcknowledgementAndOnlyJumpPassesOnSilence) {
  EXPECT_TRUE(flash::AcknowledgesCommand(replyOf("\002ACK\036ADDR\003"), "ADDR"));
  EXPECT_TRUE(flash::AcknowledgesCommand(replyOf(" \r\nACK\036ADDR\03603FD0000"), "ADDR"));
  EXPECT_TRUE(flash::AcknowledgesCommand(replyOf(""), "JUMP"));
  EXPECT_FALSE(flash::AcknowledgesCommand(replyOf(""), "ADDR"));
  EXPECT_FALSE(flash::AcknowledgesCommand(replyOf(" \r\n"), "ADDR"));
  EXPECT_FALSE(flash::AcknowledgesCommand(replyOf("\002ACK\036JUMP\003"), "ADDR"));
  EXPECT_FALSE(flash::AcknowledgesCommand(replyOf("\002ERR\036ADDR\003"), "ADDR"));
}

TEST(FlashReplies, BinNeedsExactlyItsAcknowledgement) {
  EXPECT_TRUE(flash::AcknowledgesBin(replyOf("\002ACK\036BIN\003")));
  EXPECT_FALSE(flash::AcknowledgesBin(replyOf("")));
  EXPECT_FALSE(flash::AcknowledgesBin(replyOf("\002ACK\036BIN more\003")));
  EXPECT_FALSE(flash::AcknowledgesBin(replyOf("\002ACK\036BI\003")));
}

TEST(FlashReplies, ReadNeedsItsMarkItsCountAndExactlyTheBytesAskedFor) {
  std::string whole("\002READ\036\x01\x00", 8);
  whole += std::string(256, 'x') + "\003";
  EXPECT_TRUE(flash::ReadDelivers(replyOf(whole), 256));
  // Data without the mark, and a reply cut short, would be zeros reported as memory.
  EXPECT_FALSE(flash::ReadDelivers(replyOf("\003" + whole.substr(1)), 256));
  EXPECT_FALSE(flash::ReadDelivers(replyOf(whole.substr(0, whole.size() - 1)), 256));
  EXPECT_FALSE(flash::ReadDelivers(replyOf(""), 1));
  // The reply of another request: a longer one, or one for another count.
  EXPECT_FALSE(flash::ReadDelivers(replyOf(whole + "x"), 256));
  std::string other("\002READ\036\x00\xF8", 8);
  other += std::string(256, 'x') + "\003";
  EXPECT_FALSE(flash::ReadDelivers(replyOf(other), 256));
  EXPECT_FALSE(flash::ReadDelivers(replyOf(whole), 248));
}

TEST(FlashReplies, DumpIsDataUnlessMarkedAsErrorOrShort) {
  EXPECT_TRUE(flash::DumpDelivers(replyOf(std::string(16, 'd')), 16));
  EXPECT_FALSE(flash::DumpDelivers(replyOf("dd\002ERR\036DUMP\003"), 4));
  EXPECT_FALSE(flash::DumpDelivers(replyOf(std::string(15, 'd')), 16));
  EXPECT_FALSE(flash::DumpDelivers(replyOf(""), 1));
}

// Records the data length of every block write and answers with `outcomes` in turn.
struct WriteRecorder {
  std::vector<std::size_t> dataSizes;
  std::vector<Bytes> inputs;
  std::vector<IoOutcome> outcomes;

  ScriptedDriverHandle handle() {
    return ScriptedDriverHandle([this](std::uint32_t code, std::span<const std::uint8_t> input,
                                       std::span<std::uint8_t>, std::uint32_t) {
      EXPECT_EQ(code, platform::IOCTL_P2K_WRITE);
      inputs.emplace_back(input.begin(), input.end());
      dataSizes.push_back(input[1] | input[2] << 8 | input[3] << 16 | input[4] << 24);
      const std::size_t turn = dataSizes.size() - 1;
      return turn < outcomes.size() ? outcomes[turn]
                                    : IoOutcome{true, Wait::Signalled, true, 0, {}};
    });
  }
};

TEST(FlashWrites, FramesOver2057BytesGoIn2048BytePieces) {
  WriteRecorder recorder;
  auto handle = recorder.handle();
  const Bytes frame = flash::BinFrame(Bytes(8192, 0x5A));
  EXPECT_TRUE(flash::WriteFrame(handle, frame, 6000));
  EXPECT_THAT(recorder.dataSizes, ElementsAre(2048, 2048, 2048, 2048, 9));
  Bytes joined;
  for (const auto& input : recorder.inputs) {
    EXPECT_EQ(input[0], 2);
    ASSERT_EQ(input.size(), (input[1] | input[2] << 8) + 6u);
    joined.insert(joined.end(), input.begin() + 5, input.end() - 1);
  }
  EXPECT_EQ(joined, frame);
}

TEST(FlashWrites, AFrameOf2057BytesGoesWhole) {
  WriteRecorder recorder;
  auto handle = recorder.handle();
  EXPECT_TRUE(flash::WriteFrame(handle, flash::BinFrame(Bytes(2048, 1)), 6000));
  EXPECT_THAT(recorder.dataSizes, ElementsAre(2057));
}

TEST(FlashWrites, AFailedPieceFailsTheFrameButTheRestIsStillSent) {
  WriteRecorder recorder;
  recorder.outcomes = {{true, Wait::Signalled, true, 0, {}}, {true, Wait::Timeout, false, 0, {}}};
  auto handle = recorder.handle();
  EXPECT_FALSE(flash::WriteFrame(handle, flash::BinFrame(Bytes(8192, 1)), 6000));
  EXPECT_EQ(recorder.dataSizes.size(), 5u);
  EXPECT_EQ(handle.cancels, 1);
}

ScriptedDriverHandle readAnswering(IoOutcome outcome, Bytes returned, Bytes& input) {
  return ScriptedDriverHandle([=, &input](std::uint32_t code, std::span<const std::uint8_t> in,
                                          std::span<std::uint8_t> output, std::uint32_t) {
    EXPECT_EQ(code, platform::IOCTL_P2K_READ);
    EXPECT_EQ(output.size(), 4101u);
    input.assign(in.begin(), in.end());
    std::copy(returned.begin(), returned.end(), output.begin());
    return outcome;
  });
}

TEST(FlashReads, TheDriverBytesAreDroppedAndAtMost1024Kept) {
  Bytes input;
  Bytes returned(4 + 2000, 'r');
  auto handle = readAnswering({true, Wait::Signalled, true, 4 + 2000, {}}, returned, input);
  const flash::Reply reply = flash::ReadReply(handle, 6000);
  EXPECT_EQ(input, (Bytes{2, 0x00, 0x04, 0, 0}));
  EXPECT_EQ(reply.length, 1024u);
  EXPECT_EQ(reply.Text(), std::string(1024, 'r'));
}

TEST(FlashReads, FewerThanTheDriverBytesOrAFailedRequestGiveAnEmptyReply) {
  Bytes input;
  auto three = readAnswering({true, Wait::Signalled, true, 3, {}}, Bytes{'a', 'b', 'c'}, input);
  EXPECT_EQ(flash::ReadReply(three, 6000).length, 0u);
  auto failed = readAnswering({true, Wait::Signalled, false, 12, {}}, Bytes(12, 'z'), input);
  const flash::Reply reply = flash::ReadReply(failed, 6000);
  EXPECT_EQ(reply.length, 0u);
  EXPECT_EQ(reply.Text(), "");
  EXPECT_EQ(failed.cancels, 1);
}

}  // namespace
}  // namespace vestrel::phonelink
