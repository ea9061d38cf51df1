#include "p2kapi/P2KApi.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>

#include "p2kapi/PhoneInfo.h"
#include "platform/virtual/P2KPersonality.h"
#include "tests/support/PhoneRig.h"

namespace vestrel::p2kapi {
namespace {

using ::testing::ElementsAre;
using virtualphone::P2KAnswer;
using virtualphone::P2KPersonality;

class Library : public ::testing::Test {
 protected:
  std::vector<testing::DebugLine> lines;  // outlives the items that report into it
  testing::PhoneRig rig;
  std::shared_ptr<virtualphone::VirtualPhone> phone;
  std::unique_ptr<phonelink::TMotoP2KMode> mode;

  void Plug() {
    phone = rig.plug("L1");
    P2KPersonality::Install(*phone, P2KPersonality::Sample());
    rig.bus.deliverNotices();
  }
  void Watch() { mode = std::make_unique<phonelink::TMotoP2KMode>(rig.context); }
  std::shared_ptr<phonelink::TMotoP2KModemItem> Item() { return mode->DeviceList().Items(0); }
};

TEST_F(Library, StatusIsOneOnlyForAPresentOpenPhone) {
  Watch();
  P2KApi api(*mode);
  EXPECT_EQ(api.P2K_GetStatus(), P2KApi::kNoPhone);
  Plug();
  rig.bus.deliverNotices();
  ASSERT_TRUE(Item());
  Item()->SetOnDebugEvent(testing::RecordInto<phonelink::TMotoP2KModemItem>(lines));
  EXPECT_EQ(api.P2K_GetStatus(), P2KApi::kNotOpen);
  std::array<std::uint8_t, 30> buffer{};
  EXPECT_EQ(api.Seem_Read(0x117, 1, 1, 30, buffer), -1);
  EXPECT_TRUE(lines.empty());  // asking never made the closed item report anything
  ASSERT_TRUE(Item()->OpenPhone());
  EXPECT_EQ(api.P2K_GetStatus(), P2KApi::kReady);
}

TEST_F(Library, ReadsTheThreeElementsTheInformationDialogShows) {
  Plug();
  Watch();
  ASSERT_TRUE(Item()->OpenPhone());
  P2KApi api(*mode);
  ASSERT_EQ(api.P2K_GetStatus(), 1);

  std::array<std::uint8_t, 30> model{}, firmware{}, flex{};
  EXPECT_EQ(api.Seem_Read(279, 1, 1, 30, model), 30);
  EXPECT_EQ(std::string({char(model[0]), char(model[2]), char(model[4]), char(model[6])}), "E398");
  EXPECT_EQ(api.Seem_Read(722, 1, 4, 30, firmware), 30);
  EXPECT_EQ(std::string(firmware.begin(), firmware.begin() + 16), "R373_G_0E.30.49R");
  EXPECT_EQ(firmware[16], 0);
  EXPECT_EQ(api.Seem_Read(723, 1, 4, 30, flex), 30);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(flex.data())), "E398_G_0E.30.49R_FLEX_04");
}

TEST_F(Library, SendsCommand0020WithFourSixteenBitNumbersAndSharesTheItemsSequence) {
  Plug();
  std::vector<std::vector<std::uint8_t>> payloads;
  phone->setP2KHandler([&](std::uint16_t command, std::span<const std::uint8_t> payload) {
    if (command == 0x0020) {
      payloads.emplace_back(payload.begin(), payload.end());
      return P2KAnswer{true, {1, 2, 3}};
    }
    return P2KAnswer{true, {}};
  });
  Watch();
  auto item = Item();
  ASSERT_TRUE(item->OpenPhone());
  P2KApi api(*mode);
  std::array<std::uint8_t, 8> buffer;
  buffer.fill(0xEE);
  item->SwitchToTestMode();
  EXPECT_EQ(api.Seem_Read(0x2D2, 1, 4, 6, buffer), 3);
  item->SwitchToTestMode();
  ASSERT_EQ(payloads.size(), 1u);
  EXPECT_THAT(payloads[0], ElementsAre(0x02, 0xD2, 0x00, 0x01, 0x00, 0x04, 0x00, 0x06));
  // The reply, zeros up to the count asked for, and the rest of the buffer untouched.
  EXPECT_THAT(buffer, ElementsAre(1, 2, 3, 0, 0, 0, 0xEE, 0xEE));
  // One sequence counter for the item and the library: probe 2, then 3, 4, 5.
  EXPECT_THAT(phone->sequenceNumbers(), ElementsAre(2, 3, 4, 5));
  EXPECT_NE(item->Handle(), nullptr);
}

TEST_F(Library, AFailedReadLeavesTheBufferAsItWas) {
  Plug();
  Watch();
  ASSERT_TRUE(Item()->OpenPhone());
  P2KApi api(*mode);
  std::array<std::uint8_t, 4> buffer{9, 9, 9, 9};
  EXPECT_EQ(api.Seem_Read(0x999, 1, 1, 4, buffer), -1);  // unknown element
  EXPECT_THAT(buffer, ElementsAre(9, 9, 9, 9));
  const auto before = phone->sequenceNumbers().size();
  EXPECT_EQ(api.Seem_Read(0x117, 1, 1, 5, buffer), -1);  // more than the buffer holds
  EXPECT_EQ(api.Seem_Read(0x117, 1, 1, -1, buffer), -1);
  EXPECT_EQ(phone->sequenceNumbers().size(), before);  // neither reached the phone
}

TEST_F(Library, InitCallsBackWhenTheStatusChanges) {
  Watch();
  P2KApi api(*mode);
  int calls = 0;
  EXPECT_EQ(api.P2K_Init([&] { ++calls; }), P2KApi::kNoPhone);
  EXPECT_EQ(api.P2K_GetStatus(), P2KApi::kNoPhone);
  EXPECT_EQ(calls, 0);
  Plug();
  rig.bus.deliverNotices();
  EXPECT_EQ(api.P2K_GetStatus(), P2KApi::kNotOpen);
  EXPECT_EQ(calls, 1);
  ASSERT_TRUE(Item()->OpenPhone());
  EXPECT_EQ(api.P2K_GetStatus(), P2KApi::kReady);
  EXPECT_EQ(api.P2K_GetStatus(), P2KApi::kReady);
  EXPECT_EQ(calls, 2);
}

TEST_F(Library, PhoneInfoOfTheSamplePhone) {
  Plug();
  Watch();
  P2KApi api(*mode);
  EXPECT_FALSE(ReadPhoneInfo(api));  // listed, not open
  ASSERT_TRUE(Item()->OpenPhone());
  const auto info = ReadPhoneInfo(api);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->model, "E398");
  EXPECT_EQ(info->firmware, "R373_G_0E.30.49R");
  EXPECT_EQ(info->flex, "E398_G_0E.30.49R_FLEX_04");
}

}  // namespace
}  // namespace vestrel::p2kapi
