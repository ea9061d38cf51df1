#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "phonelink/MotoATMode.h"
#include "phonelink/MotoP2KMode.h"
#include "tests/support/PhoneRig.h"

namespace vestrel::phonelink {
namespace {

using testing::DebugLine;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::PhoneRig;
using testing::RecordInto;
using testing::Texts;
using virtualphone::PhoneMode;

// A phone in AT mode with its item found and its reports recorded.
class ATItem : public ::testing::Test {
 protected:
  std::vector<DebugLine> lines;  // outlives the item, which reports as it closes
  PhoneRig rig;
  std::shared_ptr<virtualphone::VirtualPhone> phone = rig.plug("M", PhoneMode::AT);
  TMotoATMode mode{rig.context};
  std::shared_ptr<TMotoATModemItem> item = mode.DeviceList().Items(0);

  void SetUp() override {
    ASSERT_TRUE(item);
    item->SetOnDebugEvent(RecordInto<TMotoATModemItem>(lines));
  }

  void open() {
    ASSERT_TRUE(item->OpenPhone());
    lines.clear();
  }

  std::string written() const {
    const auto& input = phone->modemInput();
    return std::string(input.begin(), input.end());
  }
};

TEST_F(ATItem, OpeningAppliesTheTimeOutToThePort) {
  EXPECT_EQ(item->TimeOut(), 100u);
  ASSERT_TRUE(item->OpenPhone());
  EXPECT_EQ(phone->modemTimeouts(), (platform::CommTimeouts{0, 0, 100, 0, 100}));
  // The IsOpen test of a closed item tries a close first.
  EXPECT_THAT(Texts(lines), ElementsAre("Close Phone Failed", "Phone Set TimeOut", "Open Phone"));
  lines.clear();
  EXPECT_TRUE(item->OpenPhone());
  EXPECT_THAT(lines, IsEmpty());
}

TEST_F(ATItem, ATimeOutThePortAlreadyHasWritesAndReportsNothing) {
  open();
  phone->modemTimeouts().readInterval = 7;  // a write would reset it
  item->SetTimeOut(100);
  EXPECT_EQ(phone->modemTimeouts().readInterval, 7u);
  EXPECT_THAT(lines, IsEmpty());
  item->SetTimeOut(2500);
  EXPECT_EQ(item->TimeOut(), 2500u);
  EXPECT_EQ(phone->modemTimeouts(), (platform::CommTimeouts{0, 0, 2500, 0, 2500}));
  EXPECT_THAT(lines, ElementsAre(DebugLine{"Phone Set TimeOut", dtInformation, false}));
}

TEST_F(ATItem, ATimeOutThatCannotBeWrittenIsNotKept) {
  open();
  phone->setMode(PhoneMode::P2K);  // the port went with the modem
  item->SetTimeOut(2500);
  EXPECT_EQ(item->TimeOut(), 100u);
  EXPECT_THAT(lines, ElementsAre(DebugLine{"Phone Set TimeOut Failed", dtError, false}));
}

TEST_F(ATItem, ABaudRateOfZeroIsNeverOpen) {
  phone->setModemBaudRate(0);
  ASSERT_TRUE(item->OpenPhone());
  EXPECT_FALSE(item->IsOpen());
  EXPECT_EQ(item->Handle(), nullptr);
  ASSERT_TRUE(item->OpenPhone());
  // IsOpen closes the unusable port; the next open starts afresh, its time-out already set.
  EXPECT_THAT(Texts(lines), ElementsAre("Close Phone Failed", "Phone Set TimeOut", "Open Phone",
                                        "Phone Close", "Close Phone Failed", "Open Phone"));
  EXPECT_FALSE(item->IsOpen());
}

TEST_F(ATItem, SwitchModeZeroWritesExactlyTheLineAndThePhoneReturnsToP2K) {
  open();
  item->SwitchMode(0);
  EXPECT_EQ(written(), "AT+Mode=8\r\n");
  EXPECT_THAT(lines, ElementsAre(DebugLine{"Phone Write Data", dtInformation, true},
                                 DebugLine{"Phone Send Command", dtInformation, false},
                                 DebugLine{"Phone Switch", dtInformation, false}));
  EXPECT_EQ(phone->mode(), PhoneMode::P2K);
}

TEST_F(ATItem, TheOtherModesWriteTheirLinesAndThePhoneStays) {
  open();
  item->SwitchMode(1);
  item->SwitchMode(2);
  EXPECT_EQ(written(), "AT+Mode=22\r\nAT+Mode=24\r\n");
  EXPECT_EQ(phone->mode(), PhoneMode::AT);
}

TEST_F(ATItem, AnUnknownModeWritesAndReportsNothing) {
  open();
  item->SwitchMode(3);
  item->SwitchMode(255);
  EXPECT_EQ(written(), "");
  EXPECT_THAT(lines, IsEmpty());
}

TEST_F(ATItem, WritingWithoutAPortFailsAtOnce) {
  const std::uint8_t data[] = {'A', 'T'};
  EXPECT_EQ(item->WriteData(data), 0u);
  EXPECT_THAT(lines, ElementsAre(DebugLine{"Phone don`t open", dtError, true}));
  lines.clear();
  item->SwitchMode(0);
  EXPECT_THAT(Texts(lines), ElementsAre("Phone don`t open", "Phone Send Command Failed",
                                        "Phone Switch Mode Failed - Error Send Command"));
  EXPECT_EQ(written(), "");
}

TEST_F(ATItem, AWriteToAPortWhoseModemLeftFails) {
  open();
  phone->setMode(PhoneMode::P2K);
  EXPECT_FALSE(item->SendCommand("AT"));
  EXPECT_THAT(lines, ElementsAre(DebugLine{"Phone Write Data Failed", dtError, true},
                                 DebugLine{"Phone Send Command Failed", dtError, false}));
}

TEST_F(ATItem, ALineSplitOverWritesIsTakenWhenItEnds) {
  open();
  const std::string head = "AT+Mo";
  const std::string tail = "de=8\r\n";
  EXPECT_EQ(
      item->WriteData(std::span(reinterpret_cast<const std::uint8_t*>(head.data()), head.size())),
      5u);
  EXPECT_EQ(phone->mode(), PhoneMode::AT);
  item->WriteData(std::span(reinterpret_cast<const std::uint8_t*>(tail.data()), tail.size()));
  EXPECT_EQ(phone->mode(), PhoneMode::P2K);
}

TEST_F(ATItem, ThePhoneBackInP2KModeLeavesTheATListForTheP2KList) {
  TMotoP2KMode p2k{rig.context};
  EXPECT_EQ(p2k.DeviceList().Count(), 0);
  open();
  item->SwitchMode(0);
  rig.bus.deliverNotices();
  EXPECT_EQ(mode.DeviceList().Count(), 0);
  EXPECT_EQ(p2k.DeviceList().Count(), 1);
}

}  // namespace
}  // namespace vestrel::phonelink
