// Restart, power off, sleep state and the mode switches.
#include "tests/phonelink/p2k_fixture.h"

namespace vestrel::phonelink::p2ktest {
namespace {

using ::testing::ElementsAre;
using virtualphone::PhoneMode;
using virtualphone::ReplyFault;

using Control = P2KPhoneTest;

TEST_F(Control, EachCommandSendsItsCodeAndPayloadAndReportsSuccess) {
  script = [](std::uint16_t, const Bytes&) { return P2KAnswer{true, {}}; };
  EXPECT_TRUE(item->Restart());
  EXPECT_TRUE(item->PowerOff());
  EXPECT_TRUE(item->SwitchToFlashMode());
  EXPECT_TRUE(item->SwitchToTestMode());
  EXPECT_TRUE(item->Suspend(true));
  EXPECT_TRUE(item->Suspend(false));
  ASSERT_EQ(sent.size(), 6u);
  EXPECT_EQ(sent[0].command, 0x0022);
  EXPECT_EQ(sent[1].command, 0x001E);
  EXPECT_EQ(sent[2].command, 0x000D);
  EXPECT_EQ(sent[3].command, 0x0FFF);
  EXPECT_EQ(sent[4].command, 0x0036);
  EXPECT_EQ(sent[4].payload, B({0x00}));
  EXPECT_EQ(sent[5].payload, B({0x01}));
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(sent[i].payload.empty());
  EXPECT_THAT(Texts(), ElementsAre("Restart", "Power off", "Switch to Flash mode",
                                   "Switch to Test mode", "Suspend", "Suspend"));
  for (const auto& line : lines) {
    EXPECT_EQ(line.type, dtInformation);
    EXPECT_FALSE(line.subError);
  }
}

TEST_F(Control, AFlagOfZeroGivesTheFailureMessagesWithTheirSpelling) {
  EXPECT_FALSE(item->Restart());
  EXPECT_FALSE(item->PowerOff());
  EXPECT_FALSE(item->SwitchToFlashMode());
  EXPECT_FALSE(item->SwitchToTestMode());
  EXPECT_FALSE(item->Suspend(true));
  EXPECT_FALSE(item->IsSuspend());
  EXPECT_THAT(
      Texts(),
      ElementsAre("Restart is Failed", "Power off is Failes", "Switch to Flash mode is Failed",
                  "Switch to Test mode is Failed", "Suspend is Failed", "Is Suspend is Failed"));
  for (const auto& line : lines) EXPECT_EQ(line.type, dtError);
}

TEST_F(Control, EveryOperationOnAClosedItemSendsNothing) {
  CloseItem();
  EXPECT_FALSE(item->Restart());
  EXPECT_FALSE(item->IsSuspend());
  EXPECT_FALSE(item->Suspend(true));
  EXPECT_FALSE(item->PowerOff());
  EXPECT_FALSE(item->SwitchToFlashMode());
  EXPECT_FALSE(item->SwitchToTestMode());
  EXPECT_FALSE(item->SwitchToATMode());
  EXPECT_TRUE(sent.empty());
  EXPECT_TRUE(TraceLines().empty());
  EXPECT_THAT(
      Texts(),
      ElementsAre("Close Phone is Failed", "Restart is Failed - Phone isn`t open",
                  "Close Phone is Failed", "Is Suspend is Failed - Phone isn`t open",
                  "Close Phone is Failed", "Suspend is Failed - Phone isn`t open",
                  "Close Phone is Failed", "Power off is Failed - Phone isn`t open",
                  "Close Phone is Failed", "Switch to Flash mode is Failed - Phone isn`t open",
                  "Close Phone is Failed", "Switch to Test mode is Failed - Phone isn`t open",
                  "Close Phone is Failed", "Switch AT Mode is Failed - Phone isn`t open"));
}

TEST_F(Control, IsSuspendReadsTheStateByte) {
  Bytes state = B({0x00});
  script = [&](std::uint16_t, const Bytes& payload) {
    EXPECT_EQ(payload, B({0x80}));
    return P2KAnswer{true, state};
  };
  EXPECT_TRUE(item->IsSuspend());
  state = B({0x01});
  EXPECT_FALSE(item->IsSuspend());
  EXPECT_THAT(Texts(), ElementsAre("Is Suspend", "Is Suspend"));
}

// Our choice for a reply without its data byte: it proves nothing, so the phone counts as awake;
// the command itself succeeded and says so.
TEST_F(Control, IsSuspendWithoutADataByteAnswersAwake) {
  script = [](std::uint16_t, const Bytes&) { return P2KAnswer{true, {}}; };
  EXPECT_FALSE(item->IsSuspend());
  EXPECT_THAT(Texts(), ElementsAre("Is Suspend"));
}

TEST_F(Control, IsSuspendIsFalseWhenTheCommandFailsEvenIfTheByteSaysAsleep) {
  script = [](std::uint16_t, const Bytes&) { return P2KAnswer{false, {0x00}}; };
  EXPECT_FALSE(item->IsSuspend());
  EXPECT_THAT(Texts(), ElementsAre("Is Suspend is Failed"));
}

TEST_F(Control, TheWireTraceOfSuspendShowsItsByte) {
  script = [](std::uint16_t, const Bytes&) { return P2KAnswer{true, {}}; };
  ASSERT_TRUE(item->Suspend(true));
  auto trace1 = TraceLines();
  ASSERT_FALSE(trace1.empty());
  // Setup 41 02 0000 0800 0900, sequence 3, command 0036, length 1, 0000, the byte, 0000.
  EXPECT_EQ(trace1[0], "80002014 41020000080009000003003600010000000000 -> signalled");
  trace->Clear();
  ASSERT_TRUE(item->Suspend(false));
  auto trace2 = TraceLines();
  ASSERT_FALSE(trace2.empty());
  EXPECT_EQ(trace2[0], "80002014 41020000080009000004003600010000010000 -> signalled");
}

TEST_F(Control, SwitchToATModeIsABareControlTransfer) {
  EXPECT_TRUE(item->SwitchToATMode());
  EXPECT_TRUE(sent.empty());  // no command reached the phone's command handler
  EXPECT_THAT(TraceLines(), ElementsAre("80002014 400100000100000000 -> signalled"));
  EXPECT_THAT(Texts(), ElementsAre("Switch to AT mode"));
  EXPECT_EQ(phone->mode(), PhoneMode::AT);
}

TEST_F(Control, SwitchToATModeCountsATimedOutTransferAsSent) {
  phone->setReplyFault(ReplyFault::Silent);
  const std::uint32_t before = rig.clock.tickCount();
  EXPECT_TRUE(item->SwitchToATMode());
  EXPECT_EQ(rig.clock.tickCount() - before, 5000u);
  EXPECT_THAT(Texts(), ElementsAre("Switch to AT mode"));
}

TEST_F(Control, SwitchToATModeFailsWhenTheWaitFails) {
  rig.bus.unplug(*phone);
  EXPECT_FALSE(item->SwitchToATMode());
  EXPECT_THAT(Texts(), ElementsAre("Switch to AT mode is Failed"));
}

TEST_F(Control, TheVirtualPhoneLeavesP2KModeAfterRestartPowerOffAndFlashMode) {
  UsePersonality();
  EXPECT_TRUE(item->SwitchToFlashMode());
  EXPECT_EQ(phone->mode(), PhoneMode::Flash);
  rig.bus.deliverNotices();
  EXPECT_EQ(mode->DeviceList().Count(), 0);

  phone->setMode(PhoneMode::P2K);
  rig.bus.deliverNotices();
  item = mode->DeviceList().Items(0);
  ASSERT_TRUE(item && item->OpenPhone());
  EXPECT_TRUE(item->Restart());
  EXPECT_EQ(phone->mode(), PhoneMode::Off);

  phone->setMode(PhoneMode::P2K);
  rig.bus.deliverNotices();
  item = mode->DeviceList().Items(0);
  ASSERT_TRUE(item && item->OpenPhone());
  EXPECT_TRUE(item->PowerOff());
  EXPECT_EQ(phone->mode(), PhoneMode::Off);
}

TEST_F(Control, TheVirtualPhoneKeepsItsSleepStateAndTestModeKeepsItOnTheBus) {
  auto personality = UsePersonality();
  EXPECT_FALSE(item->IsSuspend());
  EXPECT_TRUE(item->Suspend(!item->IsSuspend()));
  EXPECT_TRUE(personality->State().asleep);
  EXPECT_TRUE(item->IsSuspend());
  EXPECT_TRUE(item->Suspend(false));
  EXPECT_FALSE(item->IsSuspend());
  EXPECT_TRUE(item->SwitchToTestMode());
  EXPECT_EQ(phone->mode(), PhoneMode::P2K);
}

}  // namespace
}  // namespace vestrel::phonelink::p2ktest
