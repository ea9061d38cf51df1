#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "phonelink/PhoneLink.h"
#include "platform/DeviceClasses.h"
#include "tests/support/PhoneRig.h"
#include "tests/support/ScriptedBus.h"

namespace vestrel::phonelink {
namespace {

using testing::DebugLine;
using ::testing::ElementsAre;
using testing::PhoneRig;
using testing::RecordInto;
using testing::Texts;
using virtualphone::PhoneMode;

// Counts a mode component's events.
template <class Mode>
struct EventLog {
  std::vector<std::string> arrivals;  // serial part of each arriving item's location
  int removals = 0;

  explicit EventLog(Mode& mode) {
    mode.SetOnArrival(
        [this](const auto& item) { arrivals.push_back(item->ModemInfo().LocationInformation); });
    mode.SetOnRemove([this](auto&) { ++removals; });
  }
};

TEST(DeviceWatchers, EachModeListsOnlyItsOwnPhones) {
  PhoneRig rig;
  rig.plug("A", PhoneMode::P2K);
  rig.plug("B", PhoneMode::Flash);
  rig.plug("C", PhoneMode::AT);
  rig.plug("D", PhoneMode::P2K);

  TMotoP2KMode p2k(rig.context);
  TMotoFlashMode flash(rig.context);
  TMotoATMode at(rig.context);

  ASSERT_EQ(p2k.DeviceList().Count(), 2);
  EXPECT_EQ(p2k.DeviceList().Items(0)->ModemInfo().LocationInformation, "Port_A");
  EXPECT_EQ(p2k.DeviceList().Items(1)->ModemInfo().LocationInformation, "Port_D");
  ASSERT_EQ(flash.DeviceList().Count(), 1);
  EXPECT_EQ(flash.DeviceList().Items(0)->ModemInfo().DeviceDesc, "Motorola Flash Interface");
  ASSERT_EQ(at.DeviceList().Count(), 1);
  EXPECT_EQ(at.DeviceList().Items(0)->ModemInfo().LocationInformation, "Port_C");
  EXPECT_EQ(p2k.DeviceList().Items(2), nullptr);
  EXPECT_EQ(p2k.DeviceList().Items(-1), nullptr);
  EXPECT_FALSE(p2k.About().empty());
}

TEST(DeviceWatchers, UnpluggingTheFirstOfTwoPhonesLeavesTheSecondOpen) {
  PhoneRig rig;
  auto first = rig.plug("A");
  rig.plug("B");
  TMotoP2KMode p2k(rig.context);
  EventLog log(p2k);
  auto second = p2k.DeviceList().Items(1);
  ASSERT_TRUE(second->OpenPhone());

  rig.bus.unplug(*first);
  rig.bus.deliverNotices();

  EXPECT_EQ(log.removals, 1);
  EXPECT_TRUE(log.arrivals.empty());
  ASSERT_EQ(p2k.DeviceList().Count(), 1);
  EXPECT_EQ(p2k.DeviceList().Items(0), second);
  ASSERT_NE(second->Handle(), nullptr);
  std::uint8_t reply[1];
  std::uint16_t length = 0;
  EXPECT_TRUE(second->ExecuteCommand(0x0FFF, {}, reply, length));
}

TEST(DeviceWatchers, TwoPhonesLeavingAtOnceFireTwoRemovals) {
  PhoneRig rig;
  auto a = rig.plug("A");
  auto b = rig.plug("B");
  rig.plug("C");
  TMotoP2KMode p2k(rig.context);
  EventLog log(p2k);

  rig.bus.unplug(*a);
  rig.bus.unplug(*b);
  rig.bus.deliverNotices();

  EXPECT_EQ(log.removals, 2);
  ASSERT_EQ(p2k.DeviceList().Count(), 1);
  EXPECT_EQ(p2k.DeviceList().Items(0)->ModemInfo().LocationInformation, "Port_C");
}

TEST(DeviceWatchers, ANoticeThatChangesNothingFiresNothing) {
  PhoneRig rig;
  rig.plug("A");
  TMotoP2KMode p2k(rig.context);
  EventLog log(p2k);

  // A flash-mode phone shares the P2K interface class: its arrival notifies the P2K watcher.
  rig.plug("F", PhoneMode::Flash);
  ASSERT_TRUE(rig.bus.noticesPending());
  rig.bus.deliverNotices();

  EXPECT_EQ(log.removals, 0);
  EXPECT_TRUE(log.arrivals.empty());
  EXPECT_EQ(p2k.DeviceList().Count(), 1);
}

TEST(DeviceWatchers, ArrivingP2KPhoneIsPreparedBeforeItsOwnerHearsOfIt) {
  PhoneRig rig;
  TMotoP2KMode p2k(rig.context);
  p2k.SetFSACOption(fsacAP);
  std::vector<std::pair<std::uint16_t, TFSACOptions>> seen;
  p2k.SetOnArrival([&](const std::shared_ptr<TMotoP2KModemItem>& item) {
    seen.emplace_back(item->InterfaceNumber(), item->FSACOption());
  });

  rig.plug("R", PhoneMode::P2K, 2);
  rig.bus.deliverNotices();

  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].first, 2);
  EXPECT_EQ(seen[0].second, fsacAP);
  EXPECT_EQ(p2k.DeviceList().Items(0)->GetTCIInterfaceMode(), tciRizr);
}

TEST(DeviceWatchers, FSACOptionReachesPresentAndLaterItems) {
  PhoneRig rig;
  rig.plug("A");
  TMotoP2KMode p2k(rig.context);
  EXPECT_EQ(p2k.DeviceList().Items(0)->FSACOption(), fsacBP);

  p2k.SetFSACOption(fsacAP);
  EXPECT_EQ(p2k.DeviceList().Items(0)->FSACOption(), fsacAP);

  rig.plug("B");
  rig.bus.deliverNotices();
  EXPECT_EQ(p2k.DeviceList().Items(1)->FSACOption(), fsacAP);
}

TEST(DeviceWatchers, OnDebugReachesItemsWithoutTheirOwnHandler) {
  PhoneRig rig;
  rig.plug("A");
  rig.plug("B");
  std::vector<DebugLine> modeLines, ownLines;  // outlive the items, which report as they go
  TMotoP2KMode p2k(rig.context);
  auto own = p2k.DeviceList().Items(1);
  own->SetOnDebugEvent(RecordInto<TMotoP2KModemItem>(ownLines));

  p2k.SetOnDebug(RecordInto<TMotoP2KModemItem>(modeLines));
  p2k.DeviceList().Items(0)->ClosePhone();
  own->ClosePhone();
  EXPECT_THAT(Texts(modeLines), ElementsAre("Close Phone is Failed"));
  EXPECT_THAT(Texts(ownLines), ElementsAre("Close Phone is Failed"));

  // Items found later get the mode's handler after the device-change refresh.
  rig.plug("C");
  rig.bus.deliverNotices();
  modeLines.clear();
  p2k.DeviceList().Items(2)->ClosePhone();
  EXPECT_EQ(modeLines.size(), 1u);
}

// A family with a misspelt member is no family: it cannot fall back on a default.
struct MisspeltFamily {
  using Item = TMotoATModemItem;
  struct ModeSettings {};
  static constexpr std::string_view kInterfaceClass = "{X}";
  static constexpr std::string_view kNameFilter = "x";
  static constexpr std::string_view kAbout = "x";
  static void PrepareNewitem(Item&, const ModeSettings&) {}
};
static_assert(!ModemFamily<MisspeltFamily>);
static_assert(ModemFamily<P2KFamily> && ModemFamily<FlashFamily> && ModemFamily<ATFamily>);

TEST(DeviceWatchers, ARefreshStartedFromAnEventHandlerIsIgnored) {
  PhoneRig rig;
  TMotoP2KMode p2k(rig.context);
  int arrivals = 0;
  int depth = 0;
  int deepest = 0;
  p2k.SetOnArrival([&](const auto&) {
    ++arrivals;
    deepest = std::max(deepest, ++depth);
    p2k.DeviceList().Refresh();  // nested: returns at once, so B arrives from the outer pass
    --depth;
  });
  rig.plug("A");
  rig.plug("B");
  rig.bus.deliverNotices();
  EXPECT_EQ(arrivals, 2);
  EXPECT_EQ(deepest, 1);
  EXPECT_EQ(p2k.DeviceList().Count(), 2);
}

TEST(DeviceWatchers, AFailingArrivalHandlerDoesNotStopTheOthersOrJamTheList) {
  PhoneRig rig;
  TMotoP2KMode p2k(rig.context);
  int arrivals = 0;
  p2k.SetOnArrival([&](const auto&) {
    ++arrivals;
    throw std::runtime_error("handler failed");
  });
  rig.plug("A");
  rig.plug("B");
  rig.bus.deliverNotices();
  EXPECT_EQ(arrivals, 2);

  rig.plug("C");
  rig.bus.deliverNotices();
  EXPECT_EQ(arrivals, 3);
  EXPECT_EQ(p2k.DeviceList().Count(), 3);
}

TEST(DeviceWatchers, AnItemInUseOutlivesItsRemovalAndThenFailsCleanly) {
  PhoneRig rig;
  auto phone = rig.plug("A");
  TMotoP2KMode p2k(rig.context);
  std::shared_ptr<TMotoP2KModemItem> held = p2k.DeviceList().Items(0);
  ASSERT_TRUE(held->OpenPhone());

  rig.bus.unplug(*phone);
  rig.bus.deliverNotices();
  EXPECT_EQ(p2k.DeviceList().Count(), 0);

  std::uint8_t reply[4];
  std::uint16_t length = 0xBEEF;
  EXPECT_FALSE(held->ExecuteCommand(0x0FFF, {}, reply, length));
  EXPECT_EQ(length, 0xBEEF);
}

TEST(DeviceWatchers, ListOperationsMatchItemsByDeviceInstance) {
  PhoneRig rig;
  rig.plug("A");
  TMotoP2KMode p2k(rig.context);
  auto& list = p2k.DeviceList();
  const TUSBDevice info = list.Items(0)->ModemInfo();

  EXPECT_EQ(list.FindItem(info.DevInst), list.Items(0));
  EXPECT_EQ(list.FindItem(info.DevInst + 1000), nullptr);
  EXPECT_EQ(list.AddItem(info), nullptr);  // already there

  TUSBDevice other = info;
  other.DevInst += 1000;
  EXPECT_NE(list.AddItem(other), nullptr);
  EXPECT_EQ(list.Count(), 2);
  list.DeleteItem(5);
  list.DeleteItem(0);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Items(0)->ModemInfo().DevInst, other.DevInst);
}

TEST(DeviceWatchers, DestroyingTheModeClosesOpenItems) {
  PhoneRig rig;
  rig.plug("A");
  std::vector<DebugLine> lines;
  {
    TMotoP2KMode p2k(rig.context);
    p2k.SetOnDebug(RecordInto<TMotoP2KModemItem>(lines));
    ASSERT_TRUE(p2k.DeviceList().Items(0)->OpenPhone());
    lines.clear();
  }
  EXPECT_THAT(Texts(lines), ElementsAre("Close Phone"));
}

TEST(DeviceWatchers, ReopeningAClosedP2KItemFirstReportsTheFailedClose) {
  PhoneRig rig;
  rig.plug("A");
  std::vector<DebugLine> lines;
  TMotoP2KMode p2k(rig.context);
  auto item = p2k.DeviceList().Items(0);
  item->SetOnDebugEvent(RecordInto<TMotoP2KModemItem>(lines));

  ASSERT_TRUE(item->OpenPhone());
  ASSERT_TRUE(item->OpenPhone());  // already open: nothing more to say
  EXPECT_EQ(lines, (std::vector<DebugLine>{{"Close Phone is Failed", dtError, false},
                                           {"Open Phone", dtInformation, false}}));
}

TEST(DeviceWatchers, OpeningAPhoneThatLeftFails) {
  PhoneRig rig;
  auto phone = rig.plug("A");
  std::vector<DebugLine> lines;
  TMotoP2KMode p2k(rig.context);
  auto item = p2k.DeviceList().Items(0);
  rig.bus.unplug(*phone);
  item->SetOnDebugEvent(RecordInto<TMotoP2KModemItem>(lines));

  EXPECT_FALSE(item->OpenPhone());
  EXPECT_EQ(item->Handle(), nullptr);
  EXPECT_THAT(Texts(lines), ElementsAre("Close Phone is Failed", "Open Phone is Failed"));
}

TEST(FlashItemFrame, KeepsItsLatestReportAndStartsWithItsDefaults) {
  PhoneRig rig;
  rig.plug("F", PhoneMode::Flash);
  TMotoFlashMode flash(rig.context);
  auto item = flash.DeviceList().Items(0);
  EXPECT_EQ(item->TimeOut(), 6000u);
  EXPECT_EQ(item->LoaderType(), ltUseDUMP);
  EXPECT_EQ(item->StartBinary(), 0x10000000u);
  EXPECT_EQ(item->BaseAddr(), 0x03FD0000u);
  EXPECT_EQ(item->EntryAddr(), 0x03FD0010u);

  EXPECT_FALSE(item->IsOpen());
  EXPECT_EQ(item->LastError(), "Close Phone Failed");
  ASSERT_TRUE(item->OpenPhone());
  EXPECT_EQ(item->LastError(), "Open Phone");
  ASSERT_TRUE(item->ClosePhone());
  EXPECT_EQ(item->LastError(), "Close Phone");
}

// Enumeration rules, on records written by hand.
class Enumeration : public ::testing::Test {
 protected:
  testing::ScriptedBus bus;
  virtualphone::VirtualClock clock;
  void add(std::uint32_t instance, std::string description, std::string compatible) {
    bus.present[std::string(platform::kPhoneDriverClass)].push_back(
        testing::MakeRecord(instance, "\\\\?\\usb#" + std::to_string(instance),
                            std::move(description), std::move(compatible)));
  }
  TUSBDevices enumerate(std::string_view filter) {
    TUSBDevices devices{TUSBDevice{}};  // must be emptied first
    EnumUSBDevices(bus, platform::kPhoneDriverClass, filter, devices);
    return devices;
  }
};

TEST_F(Enumeration, FiltersByCompatibleIDsAndDescriptionWithoutRegardToCase) {
  add(1, "motorola test command interface", "usb\\class_ff");
  add(2, "Motorola Test Command Interface", "PCI\\VEN_1");
  add(3, "Motorola Flash Interface", "USB\\Class_FF");
  add(4, "Test Command Interface (2)", "USB\\Class_FF");

  const auto found = enumerate("Test Command Interface");
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].DevInst, 1u);
  EXPECT_EQ(found[1].DevInst, 4u);
  EXPECT_EQ(enumerate("").size(), 3u);
}

TEST_F(Enumeration, OnlyTheFirstStringOfAMultiStringCounts) {
  auto record = testing::MakeRecord(7, "p", "Motorola USB Modem", "");
  record.properties[platform::SPDRP_COMPATIBLEIDS] = {'X', 0, 'U', 'S', 'B', 0, 0};
  bus.present[std::string(platform::kPhoneDriverClass)].push_back(record);
  EXPECT_TRUE(enumerate("").empty());
}

TEST_F(Enumeration, UnreadableDeviceSetEmptiesTheListAndRemovesEveryItem) {
  add(1, "Motorola Test Command Interface", "USB");
  add(2, "Motorola Test Command Interface", "USB");
  TMotoP2KMode p2k(PhoneLinkContext{bus, clock});
  EventLog log(p2k);
  ASSERT_EQ(p2k.DeviceList().Count(), 2);

  bus.deviceSetAvailable = false;
  EXPECT_TRUE(enumerate("").empty());
  p2k.DeviceList().Refresh();
  EXPECT_EQ(p2k.DeviceList().Count(), 0);
  EXPECT_EQ(log.removals, 2);
}

TEST(DeviceProperties, TextAndNumberReadsFollowTheirBuffers) {
  platform::DeviceInterfaceRecord record;
  record.properties[1] = {'A', 'B', 0, 'C', 0, 0};
  record.properties[2] = platform::PropertyBytes(300, 'x');  // too large for the buffer
  record.properties[3] = {0x34, 0x12};
  record.properties[4] = {1, 2, 3, 4, 5};
  record.properties[5] = {'N', 'O', 'E', 'N', 'D'};

  EXPECT_EQ(ReadDeviceProperty(record, 1), "AB");
  EXPECT_EQ(ReadDeviceProperty(record, 2), "");
  EXPECT_EQ(ReadDeviceProperty(record, 9), "");
  EXPECT_EQ(ReadDeviceProperty(record, 5), "NOEND");
  EXPECT_EQ(ReadDevicePropertyDWord(record, 3), 0x1234u);
  EXPECT_EQ(ReadDevicePropertyDWord(record, 4), 0u);
  EXPECT_EQ(ReadDevicePropertyDWord(record, 9), 0u);
}

TEST(DeviceProperties, TheVirtualPhoneDescribesItselfAsARealOneWould) {
  PhoneRig rig;
  rig.plug("A");
  TUSBDevices devices;
  EnumUSBDevices(rig.bus, platform::kPhoneDriverClass, "Test Command Interface", devices);
  ASSERT_EQ(devices.size(), 1u);
  const TUSBDevice& d = devices[0];
  EXPECT_EQ(d.LocationInformation, "Port_A");
  EXPECT_NE(d.DevicePath.find("&MI_08"), std::string::npos);
  EXPECT_EQ(d.CompatibleIDs.rfind("USB\\", 0), 0u);
  EXPECT_EQ(d.Mfg, "Motorola");
  EXPECT_EQ(d.Capabilities, 0x84u);
}

}  // namespace
}  // namespace vestrel::phonelink
