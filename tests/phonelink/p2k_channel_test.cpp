#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <array>
#include <optional>

#include <sstream>

#include "phonelink/PhoneLink.h"
#include "platform/WireTrace.h"
#include "tests/support/PhoneRig.h"
#include "tests/support/ScriptedBus.h"

namespace vestrel::phonelink {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::PhoneRig;
using virtualphone::P2KAnswer;
using virtualphone::P2KTransport;
using virtualphone::ReplyFault;

// A P2K phone on a traced bus, with its item opened.
class P2KChannel : public ::testing::Test {
 protected:
  PhoneRig rig;
  std::unique_ptr<testing::MemoryTrace> trace;
  std::shared_ptr<virtualphone::VirtualPhone> phone;
  std::unique_ptr<TMotoP2KMode> mode;
  std::shared_ptr<TMotoP2KModemItem> item;

  void plug(P2KTransport transport = P2KTransport::Control) {
    phone = rig.plug("A");
    phone->setP2KTransport(transport);
    trace = std::make_unique<testing::MemoryTrace>(rig.bus);
    mode = std::make_unique<TMotoP2KMode>(PhoneLinkContext{trace->bus(), rig.clock});
    item = mode->DeviceList().Items(0);
  }

  void open(P2KTransport transport = P2KTransport::Control) {
    plug(transport);
    ASSERT_TRUE(item->OpenPhone());
    trace->Clear();
  }

  bool run(std::uint16_t command, std::vector<std::uint8_t> payload,
           std::vector<std::uint8_t>& reply, std::uint16_t& length) {
    return item->ExecuteCommand(command, payload, reply, length);
  }
};

TEST_F(P2KChannel, OpeningProbesOverControlTransfersByteForByte) {
  plug();
  ASSERT_TRUE(item->OpenPhone());
  EXPECT_EQ(item->CMDFormatOptions(), cfoP2K);
  const auto lines = trace->Lines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_THAT(lines[0], HasSubstr("OPEN \\\\?\\USB#VID_1D5A&PID_4902&MI_08#A#"));
  // Setup 41 02 0000 0800 0800, then sequence 2, command 0FFF, no payload, two zero bytes.
  EXPECT_EQ(lines[1], "80002014 410200000800080000020FFF000000000000 -> signalled");
  EXPECT_EQ(lines[2], "80002014 C10000000800080000 -> signalled 000000000001000800000000");
  EXPECT_EQ(lines[3],
            "80002014 C101010008000E0000 -> signalled 000000000101000800020FFF000000000000");
}

TEST_F(P2KChannel, APhoneAnsweringOnlyBlocksIsFoundAfterTheFullPollingTime) {
  plug(P2KTransport::BlockOnly);
  const std::uint32_t before = rig.clock.tickCount();
  ASSERT_TRUE(item->OpenPhone());
  EXPECT_EQ(item->CMDFormatOptions(), cfoP2K05);
  EXPECT_GE(rig.clock.tickCount() - before, TMotoP2KModemItem::kReplyDeadlineMs);
  EXPECT_LT(rig.clock.tickCount() - before, TMotoP2KModemItem::kReplyDeadlineMs + 100);

  // From then on commands travel as block writes: 12-byte request, passed as n + 6 bytes.
  trace->Clear();
  std::vector<std::uint8_t> reply(1);
  std::uint16_t length = 0;
  EXPECT_TRUE(run(0x0FFF, {}, reply, length));
  const auto lines = trace->Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "80002018 020C00000000030FFF000000000000000000 -> signalled");
  EXPECT_EQ(lines[1], "8000201C 0200100000 -> signalled 0000000000030FFF0001000000000000");
}

TEST_F(P2KChannel, EmptyRequestsAre18And12Bytes) {
  open();
  std::vector<std::uint8_t> reply(1);
  std::uint16_t length = 0;
  run(0x0FFF, {}, reply, length);
  std::string control = trace->Lines().at(0);
  EXPECT_EQ(control.substr(9, control.find(" ->") - 9).size(), 18u * 2);

  item->SetCMDFormatOptions(cfoP2K05);
  trace->Clear();
  run(0x0FFF, {}, reply, length);
  std::string block = trace->Lines().at(0);
  // Type byte, 32-bit length 12, the 12-byte request, one spare byte.
  EXPECT_EQ(block.substr(9, 10), "020C000000");
  EXPECT_EQ(block.substr(9, block.find(" ->") - 9).size(), (12u + 6) * 2);
}

TEST_F(P2KChannel, SequenceNumbersStartAtTwoAndWrapAfter4085) {
  plug();
  ASSERT_TRUE(item->OpenPhone());  // the probe is the first command
  std::vector<std::uint8_t> reply(1);
  std::uint16_t length = 0;
  for (int i = 0; i < 4085; ++i) run(0x0FFF, {}, reply, length);
  const auto& seen = phone->sequenceNumbers();
  ASSERT_EQ(seen.size(), 4086u);
  EXPECT_EQ(seen[0], 2);
  EXPECT_EQ(seen[4083], 4085);  // the 4084th command
  EXPECT_EQ(seen[4084], 0);
  EXPECT_EQ(seen[4085], 1);

  // Closing and opening again does not restart the count.
  item->ClosePhone();
  ASSERT_TRUE(item->OpenPhone());
  EXPECT_EQ(phone->sequenceNumbers().back(), 2);
}

TEST_F(P2KChannel, RepliesAreCutToTheCallersBufferOverBothTransports) {
  open();
  phone->setP2KHandler([](std::uint16_t, std::span<const std::uint8_t> payload) {
    P2KAnswer answer;
    answer.data.assign(payload.begin(), payload.end());
    answer.data.insert(answer.data.end(), 500, 0x5A);
    return answer;
  });
  for (auto format : {cfoP2K, cfoP2K05}) {
    item->SetCMDFormatOptions(format);
    std::vector<std::uint8_t> reply(4, 0xEE);
    std::uint16_t length = 0;
    EXPECT_TRUE(run(0x0042, {1, 2, 3}, reply, length));
    EXPECT_EQ(length, 503);
    EXPECT_THAT(reply, ElementsAre(1, 2, 3, 0x5A));
  }
}

TEST_F(P2KChannel, LargestPayloadGoesThroughAndALargerOneIsRefusedUnsent) {
  open();
  std::vector<std::uint8_t> echoed;
  phone->setP2KHandler([&](std::uint16_t, std::span<const std::uint8_t> payload) {
    echoed.assign(payload.begin(), payload.end());
    return P2KAnswer{true, {}};
  });
  std::vector<std::uint8_t> reply(1);
  std::uint16_t length = 0;
  std::vector<std::uint8_t> largest(TMotoP2KModemItem::kMaxPayload, 0x11);
  for (auto format : {cfoP2K, cfoP2K05}) {
    item->SetCMDFormatOptions(format);
    echoed.clear();
    EXPECT_TRUE(run(0x0001, largest, reply, length));
    EXPECT_EQ(echoed, largest);
  }
  const auto sent = phone->sequenceNumbers().size();
  trace->Clear();
  EXPECT_FALSE(
      run(0x0001, std::vector<std::uint8_t>(TMotoP2KModemItem::kMaxPayload + 1), reply, length));
  EXPECT_EQ(phone->sequenceNumbers().size(), sent);
  EXPECT_TRUE(trace->Text().empty());
}

TEST_F(P2KChannel, ASuccessFlagOfZeroStillDeliversTheReply) {
  open();
  phone->setP2KHandler([](std::uint16_t, std::span<const std::uint8_t>) {
    return P2KAnswer{true, {7, 8}};
  });
  phone->setReplyFault(ReplyFault::FlagZero);
  for (auto format : {cfoP2K, cfoP2K05}) {
    item->SetCMDFormatOptions(format);
    std::vector<std::uint8_t> reply(2);
    std::uint16_t length = 0;
    EXPECT_FALSE(run(0x0001, {}, reply, length));
    EXPECT_EQ(length, 2);
    EXPECT_THAT(reply, ElementsAre(7, 8));
  }
}

TEST_F(P2KChannel, RepliesThatDoNotArriveWholeFailTheCommand) {
  open();
  phone->setP2KHandler([](std::uint16_t, std::span<const std::uint8_t>) {
    return P2KAnswer{true, {1, 2, 3, 4}};
  });
  for (auto fault : {ReplyFault::Short, ReplyFault::Garbled}) {
    for (auto format : {cfoP2K, cfoP2K05}) {
      phone->setReplyFault(fault);
      item->SetCMDFormatOptions(format);
      std::vector<std::uint8_t> reply(4, 0);
      std::uint16_t length = 0xBEEF;
      EXPECT_FALSE(run(0x0001, {}, reply, length)) << static_cast<int>(fault) << format;
      EXPECT_EQ(length, 0xBEEF);
      EXPECT_THAT(reply, ElementsAre(0, 0, 0, 0));
    }
  }
}

TEST_F(P2KChannel, ASilentPhoneFailsEachTransportAfterItsTimeOut) {
  open();
  phone->setReplyFault(ReplyFault::Silent);
  std::vector<std::uint8_t> reply(1);
  std::uint16_t length = 0xBEEF;

  std::uint32_t before = rig.clock.tickCount();
  EXPECT_FALSE(run(0x0001, {}, reply, length));
  // The send times out but counts as sent; every poll then waits its 5 s until the 40 s pass.
  EXPECT_GE(rig.clock.tickCount() - before, 40000u);
  EXPECT_LE(rig.clock.tickCount() - before, 40000u + 2 * 5001u);

  item->SetCMDFormatOptions(cfoP2K05);
  before = rig.clock.tickCount();
  EXPECT_FALSE(run(0x0001, {}, reply, length));
  EXPECT_EQ(rig.clock.tickCount() - before, 10000u);  // the write's wait; nothing is read
  EXPECT_EQ(length, 0xBEEF);
}

// A reply that comes after the host gave up, or a reply sent twice, waits before the next
// command's own: it must never be read as that command's answer.
TEST_F(P2KChannel, ALateOrRepeatedReplyIsNeverTakenForTheNextCommandsAnswer) {
  std::uint8_t answer = 0;
  for (const auto transport : {P2KTransport::Control, P2KTransport::BlockOnly}) {
    for (const auto fault : {ReplyFault::Late, ReplyFault::Duplicated}) {
      if (phone) rig.bus.unplug(*phone);
      open(transport);
      answer = 0;
      phone->setP2KHandler([&](std::uint16_t command, std::span<const std::uint8_t>) {
        return P2KAnswer{true, {static_cast<std::uint8_t>(command), ++answer}};
      });
      std::vector<std::uint8_t> reply(2);
      std::uint16_t length = 0;
      // One good reply before the fault: with the probe's (or, where the probe got none, alone)
      // the phone has shown that it echoes, which a repeated reply needs to be told apart.
      ASSERT_TRUE(run(0x0030, {}, reply, length));
      answer = 0;
      phone->faultAt(0, fault);
      EXPECT_EQ(run(0x0031, {}, reply, length), fault == ReplyFault::Duplicated);
      for (std::uint8_t command = 0x32; command < 0x35; ++command) {
        ASSERT_TRUE(run(command, {}, reply, length));
        EXPECT_THAT(reply, ElementsAre(command, command - 0x30)) << static_cast<int>(fault);
      }
    }
  }
}

TEST_F(P2KChannel, PollDeadlineHoldsAcrossTheTickCountWrap) {
  rig.clock.advance(0xFFFFFFFFu - 20000u);
  open();
  phone->setReplyFault(ReplyFault::Silent);
  std::vector<std::uint8_t> reply(1);
  std::uint16_t length = 0;
  const std::uint32_t before = rig.clock.tickCount();
  EXPECT_FALSE(run(0x0001, {}, reply, length));
  const std::uint32_t waited = rig.clock.tickCount() - before;
  EXPECT_GE(waited, 40000u);
  EXPECT_LT(waited, 60000u);
}

TEST_F(P2KChannel, APhoneThatVanishesMidwayFailsWithoutHarm) {
  open();
  phone->vanishAfter(1);
  std::vector<std::uint8_t> reply(1);
  std::uint16_t length = 0;
  EXPECT_TRUE(run(0x0FFF, {}, reply, length));
  EXPECT_FALSE(run(0x0FFF, {}, reply, length));
  EXPECT_EQ(phone->mode(), virtualphone::PhoneMode::Off);
  EXPECT_FALSE(run(0x0FFF, {}, reply, length));
}

TEST_F(P2KChannel, AClosedItemSendsNothing) {
  plug();
  std::vector<std::uint8_t> reply(1);
  std::uint16_t length = 0;
  EXPECT_FALSE(run(0x0FFF, {}, reply, length));
  EXPECT_TRUE(trace->Text().empty());
}

TEST(P2KInterface, DevicePathNamesTheCommandInterface) {
  struct Case {
    const char* path;
    std::uint16_t number;
    TCIInterfaceMode mode;
  };
  const Case cases[] = {
      {"\\\\?\\usb#vid_1d5a&pid_4902&MI_08#x", 8, tciE398},
      {"\\\\?\\usb#vid_1d5a&pid_4902&mi_02#x", 2, tciRizr},
      {"\\\\?\\usb#vid_1d5a&pid_4902&MI_01#x", 1, tciV3xx},
      {"\\\\?\\usb#vid_1d5a&pid_4902&MI_03#x", 3, tciCustom},
      {"\\\\?\\usb#vid_1d5a&pid_4902&MI_1A#x", 0x1A, tciCustom},
      {"\\\\?\\usb#vid_1d5a&pid_4902#x", 0, tciCustom},  // no marker: "\u" is no number
      {"ab", 0, tciCustom},
  };
  PhoneRig rig;
  for (const auto& c : cases) {
    TUSBDevice info;
    info.DevicePath = c.path;
    TMotoP2KModemItem item(rig.context, info);
    EXPECT_EQ(item.InterfaceNumber(), 8) << "before parsing";
    item.ParseInterfaceNumber();
    EXPECT_EQ(item.InterfaceNumber(), c.number) << c.path;
    EXPECT_EQ(item.GetTCIInterfaceMode(), c.mode) << c.path;
  }
}

TEST(P2KInterface, InterfaceModeSelectsTheInterfaceNumber) {
  PhoneRig rig;
  TMotoP2KModemItem item(rig.context, TUSBDevice{});
  item.SetTCIInterfaceMode(tciV3xx);
  EXPECT_EQ(item.InterfaceNumber(), 1);
  item.SetTCIInterfaceMode(tciCustom);
  EXPECT_EQ(item.InterfaceNumber(), 1);
  EXPECT_EQ(item.GetTCIInterfaceMode(), tciV3xx);
  item.SetTCIInterfaceMode(tciRizr);
  EXPECT_EQ(item.InterfaceNumber(), 2);
  item.SetTCIInterfaceMode(tciE398);
  EXPECT_EQ(item.InterfaceNumber(), 8);
}

// Driver outcomes the virtual phone does not produce, scripted request by request.
class ScriptedChannel : public ::testing::Test {
 protected:
  testing::ScriptedBus bus;
  virtualphone::VirtualClock clock;
  std::vector<std::vector<std::uint8_t>> pollOutputs;  // one per poll, the last one repeats
  std::size_t polls = 0;
  std::array<std::uint8_t, 2> sequence{};
  std::optional<std::array<std::uint8_t, 2>> ownValue;  // a phone that echoes nothing

  std::unique_ptr<TMotoP2KModemItem> openItem() {
    bus.driverScript = [this](std::uint32_t, std::span<const std::uint8_t> in,
                              std::span<std::uint8_t> out, std::uint32_t) {
      if (in[0] == 0xC1 && in[1] == 0x00) {
        const auto& poll = pollOutputs[std::min(polls++, pollOutputs.size() - 1)];
        std::copy(poll.begin(), poll.end(), out.begin());
        return platform::IoOutcome{
            true, platform::Wait::Signalled, true, static_cast<std::uint32_t>(poll.size()), {}};
      }
      if (in[0] == 0xC1 && in[1] == 0x01) {
        // The reply echoes the sequence number of the command sent last, or a value of its own.
        const auto field = ownValue.value_or(sequence);
        const std::uint8_t reply[] = {0, 0, 0, 0, 1, 1, 0, 9, field[0], field[1],
                                      0, 1, 0, 0, 0, 1, 0, 0, 0x77};
        std::copy(std::begin(reply), std::end(reply), out.begin());
        return platform::IoOutcome{true, platform::Wait::Signalled, true, sizeof reply, {}};
      }
      if (in[0] == 0x41 && in.size() >= 10) sequence = {in[8], in[9]};
      return platform::IoOutcome{true, platform::Wait::Signalled, true, 0, {}};
    };
    TUSBDevice info;
    info.DevicePath = "p&MI_08";
    auto item = std::make_unique<TMotoP2KModemItem>(PhoneLinkContext{bus, clock}, info);
    pollOutputs = {{0, 0, 0, 0, 0, 1, 0, 9}};
    item->OpenPhone();
    polls = 0;
    return item;
  }
};

TEST_F(ScriptedChannel, OnlyAPollCountOfOneOrTwoMeansAReplyIsWaiting) {
  auto item = openItem();
  pollOutputs = {{0, 0, 0, 0, 0, 0, 0, 9},
                 {0, 0, 0, 0, 0, 3, 0, 9},
                 {0, 0, 0, 0, 0, 0xFF, 0, 9},
                 {0, 0, 0, 0, 0, 1},  // too short to carry the size
                 {0, 0, 0, 0, 0, 2, 0, 9}};
  std::uint8_t reply[1] = {};
  std::uint16_t length = 0;
  EXPECT_TRUE(item->ExecuteCommand(1, {}, reply, length));
  EXPECT_EQ(polls, 5u);
  EXPECT_EQ(reply[0], 0x77);
  EXPECT_EQ(clock.tickCount(), 4u);  // one millisecond after each poll without a reply
}

// A phone that puts a value of its own where others echo the sequence number, even one equal to
// the first number sent, is driven as before, across the wrap of the numbers.
TEST_F(ScriptedChannel, APhoneThatEchoesNoSequenceNumberIsDrivenAsBefore) {
  for (const std::array<std::uint8_t, 2> value : {std::array<std::uint8_t, 2>{0, 2}, {0, 0}}) {
    ownValue = value;
    auto item = openItem();
    std::uint8_t reply[1] = {};
    std::uint16_t length = 0;
    int answered = 0;
    for (int i = 0; i < 4100; ++i) {
      reply[0] = 0;
      answered += item->ExecuteCommand(1, {}, reply, length) && reply[0] == 0x77;
    }
    EXPECT_EQ(answered, 4100);
  }
}

TEST(DriverRequests, AControlReadAfterATimedOutWaitTakesTheRequestsOwnResult) {
  using platform::IoOutcome;
  using platform::Wait;
  for (const auto& [outcome, ok] :
       {std::pair{IoOutcome{false, Wait::Signalled, true, 12, {}}, true},
        {IoOutcome{true, Wait::Signalled, false, 12, {}}, false},
        {IoOutcome{true, Wait::Timeout, false, 0, {}}, true},
        {IoOutcome{false, Wait::Timeout, true, 0, {}}, false},
        {IoOutcome{true, Wait::Failed, true, 0, {}}, false}}) {
    testing::ScriptedDriverHandle handle([&](std::uint32_t code, std::span<const std::uint8_t> in,
                                             std::span<std::uint8_t>, std::uint32_t) {
      EXPECT_EQ(code, platform::IOCTL_P2K_CONTROL);
      EXPECT_EQ(in.size(), 9u);
      return outcome;
    });
    std::uint32_t received = 0;
    std::vector<std::uint8_t> out(driver::kOutputMax);
    EXPECT_EQ(driver::ControlIn(handle, {0xC1, 0, 0, 8, 8}, out, received), ok);
    EXPECT_EQ(received, outcome.bytesReturned);
    EXPECT_EQ(handle.cancels, 0);
  }
}

TEST(DriverRequests, BlockRequestsAreCancelledAfterATimeOutOrAFailedResult) {
  using platform::IoOutcome;
  using platform::Wait;
  for (const auto& [outcome, ok, cancels] :
       {std::tuple{IoOutcome{true, Wait::Signalled, true, 4, {}}, true, 0},
        std::tuple{IoOutcome{false, Wait::Timeout, false, 0, {}}, false, 1},
        std::tuple{IoOutcome{true, Wait::Signalled, false, 0, {}}, false, 1},
        std::tuple{IoOutcome{false, Wait::Failed, false, 0, {}}, false, 0}}) {
    testing::ScriptedDriverHandle handle([&](std::uint32_t, std::span<const std::uint8_t>,
                                             std::span<std::uint8_t>,
                                             std::uint32_t) { return outcome; });
    std::vector<std::uint8_t> frame(driver::kBlockWriteHeader + 3 + 1);
    EXPECT_EQ(driver::BlockWrite(handle, frame, 10), ok);
    std::uint32_t received = 0;
    std::vector<std::uint8_t> out(16);
    EXPECT_EQ(driver::BlockRead(handle, 16, out, 10, received), ok);
    EXPECT_EQ(handle.cancels, 2 * cancels);
  }
}

TEST(DriverRequests, AControlSendCountsAsSentUnlessItsWaitFailed) {
  using platform::IoOutcome;
  using platform::Wait;
  for (const auto& [wait, sent] :
       {std::pair{Wait::Signalled, true}, {Wait::Timeout, true}, {Wait::Failed, false}}) {
    testing::ScriptedDriverHandle handle([&](std::uint32_t, std::span<const std::uint8_t>,
                                             std::span<std::uint8_t>, std::uint32_t waitMs) {
      EXPECT_EQ(waitMs, driver::kControlWaitMs);
      return IoOutcome{false, wait, false, 0, {}};
    });
    const std::uint8_t packet[9] = {0x40, 1, 0, 0, 1, 0, 0, 0, 0};
    EXPECT_EQ(driver::ControlOut(handle, packet), sent);
    EXPECT_EQ(handle.cancels, 0);
  }
}

}  // namespace
}  // namespace vestrel::phonelink
