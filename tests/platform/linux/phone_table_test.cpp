// The phone table, the records made from it, and the udev rules made from it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#include "phonelink/USBCtrls.h"
#include "platform/DeviceClasses.h"
#include "platform/PhoneTable.h"
#include "platform/linux/LinuxErrors.h"
#include "platform/linux/PhoneRecords.h"
#include "platform/linux/UdevRules.h"

namespace vestrel::platform {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

PhoneTable Builtin() {
  PhoneTable table;
  EXPECT_TRUE(table.add(BuiltinPhoneTableText(), "built-in").empty());
  return table;
}

InterfaceSeen Vendor(std::uint8_t number, std::uint8_t subClass, std::string name = "") {
  return {number, 0xff, subClass, std::move(name), false};
}
const InterfaceSeen kModem{0, 0x02, 0x02, "", true};

TEST(PhoneTable, TheSeedNamesTheThreePersonalitiesWithTheirDescriptions) {
  const PhoneTable table = Builtin();
  const auto p2k = table.lookup(0x22b8, 0x4901, Vendor(8, 0x03, "Motorola Test Command"));
  const auto at = table.lookup(0x22b8, 0x4902, kModem);
  const auto flash = table.lookup(0x22b8, 0x4903, Vendor(0, 0x00));
  ASSERT_TRUE(p2k && at && flash);
  EXPECT_EQ(p2k->family, PhoneFamily::P2K);
  EXPECT_EQ(p2k->description, "Motorola Test Command Interface");
  EXPECT_EQ(at->family, PhoneFamily::AT);
  EXPECT_EQ(at->description, "Motorola USB Modem");
  EXPECT_EQ(flash->family, PhoneFamily::Flash);
  EXPECT_EQ(flash->description, "Motorola Flash Interface");
  // A wildcard row takes only interfaces of its family's kind.
  EXPECT_FALSE(table.lookup(0x22b8, 0x4901, kModem));
  EXPECT_FALSE(table.lookup(0x22b8, 0x4902, Vendor(1, 0x03)));
  EXPECT_FALSE(table.lookup(0x1234, 0x4901, Vendor(8, 0x03)));
}

// The C380's three vendor-specific interfaces in P2K mode: only the test command one is the
// phone, by its string, or by its subclass where the strings are not there.
TEST(PhoneTable, AP2KPhoneIsItsCommandInterfaceOnly) {
  const PhoneTable table = Builtin();
  EXPECT_FALSE(table.lookup(0x22b8, 0x4901, Vendor(5, 0x01, "Motorola Accessory")));
  EXPECT_FALSE(table.lookup(0x22b8, 0x4901, Vendor(6, 0x02, "MCU Data Logger")));
  EXPECT_TRUE(table.lookup(0x22b8, 0x4901, Vendor(8, 0x03, "Motorola Test Command")));
  EXPECT_FALSE(table.lookup(0x22b8, 0x4901, Vendor(5, 0x01)));
  EXPECT_TRUE(table.lookup(0x22b8, 0x4901, Vendor(8, 0x03)));
  // The number is no sign: later phones put the command interface elsewhere.
  EXPECT_TRUE(table.lookup(0x22b8, 0x4901, Vendor(2, 0x00, "MOTOROLA TEST COMMAND")));
  EXPECT_FALSE(table.lookup(0x22b8, 0x4901, Vendor(8, 0x03, "MCU Data Logger")));
}

TEST(PhoneTable, AUsersRowsAddToAndOverrideTheBuiltInOnes) {
  PhoneTable table = Builtin();
  const auto problems = table.add(
      "# my phone\n"
      "22b8 4901 06 p2k   My phone, interface 6 only\n"
      "22b8 beef * flash  Homebrew loader\n"
      "description flash  Motorola Flash Interface (mine)\n",
      "mine");
  EXPECT_TRUE(problems.empty());
  // The named interface wins over the wildcard, whatever its kind, and takes its place.
  EXPECT_EQ(table.lookup(0x22b8, 0x4901, Vendor(6, 0x02, "MCU Data Logger"))->model,
            "My phone, interface 6 only");
  EXPECT_FALSE(table.lookup(0x22b8, 0x4901, Vendor(8, 0x03, "Motorola Test Command")));
  EXPECT_EQ(table.lookup(0x22b8, 0xbeef, Vendor(0, 0x00))->description,
            "Motorola Flash Interface (mine)");
}

TEST(PhoneTable, BadLinesAreNamedAndTheRestIsKept) {
  PhoneTable table;
  const auto problems = table.add(
      "22b8 49 * p2k short product\n"
      "22b8 4901 8 p2k one-digit interface\n"
      "22b8 4901 * modem unknown family\n"
      "description p2k\n"
      "22b8 4902 * at   kept\n",
      "t");
  EXPECT_THAT(problems, ElementsAre(HasSubstr("t:1: vendor and product"),
                                    HasSubstr("t:2: interface"), HasSubstr("t:3: unknown family"),
                                    HasSubstr("t:4: description text missing")));
  ASSERT_EQ(table.rows().size(), 1u);
  EXPECT_EQ(table.rows()[0].model, "kept");
}

TEST(PhoneTable, TheInstalledRulesAreThoseOfTheBuiltInTable) {
  std::ifstream in(std::string(VESTREL_SOURCE_DIR) + "/udev/" + kUdevRulesName);
  ASSERT_TRUE(in);
  std::ostringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), UdevRulesFor(Builtin()));
}

TEST(UdevRules, GiveTheUserAccessAndKeepModemManagerOff) {
  PhoneTable table;
  table.add("22b8 4901 * p2k  P\n22b8 4901 08 p2k  P again\n22b8 4902 * at  A\n", "t");
  const std::string rules = UdevRulesFor(table);
  EXPECT_THAT(rules, HasSubstr("ATTR{idVendor}==\"22b8\", ATTR{idProduct}==\"4901\", "
                               "MODE=\"0660\", GROUP=\"plugdev\", TAG+=\"uaccess\""));
  EXPECT_THAT(rules, HasSubstr("ATTRS{idProduct}==\"4902\", ENV{ID_MM_DEVICE_IGNORE}=\"1\""));
  EXPECT_THAT(rules, HasSubstr("SUBSYSTEM==\"tty\", ATTRS{idVendor}==\"22b8\", "
                               "ATTRS{idProduct}==\"4902\""));
  // One rule set per device, and the tty rule only for the modem.
  EXPECT_EQ(rules.find("idProduct}==\"4901\", MODE"), rules.rfind("idProduct}==\"4901\", MODE"));
  EXPECT_EQ(rules.find("SUBSYSTEM==\"tty\""), rules.rfind("SUBSYSTEM==\"tty\""));
}

UsbDeviceInfo Phone(std::uint16_t product, std::vector<UsbInterfaceInfo> interfaces) {
  UsbDeviceInfo device;
  device.syspath = "/sys/devices/pci0000:00/usb3/3-1";
  device.portPath = "3-1";
  device.devnode = "/dev/bus/usb/003/012";
  device.vendor = 0x22b8;
  device.product = product;
  device.interfaces = std::move(interfaces);
  return device;
}

TEST(PhoneRecords, ReadAsTheWatchersReadThem) {
  const auto found = PhoneInterfacesOf(
      {Phone(0x4901, {{0, 0x02, 0x02, 0x01, "cdc_acm", "", ""}, {8, 0xff, 0x03, 0xff, "", "", ""}}),
       Phone(0x4902, {{0, 0x02, 0x02, 0x01, "cdc_acm", "/dev/ttyACM0", ""},
                      {1, 0x0a, 0x00, 0x00, "cdc_acm", "", ""}}),
       Phone(0x4902, {{0, 0x02, 0x02, 0x01, "", "", ""}})},
      Builtin());
  ASSERT_EQ(found.size(), 2u);  // the modem without a tty yet is left out
  EXPECT_EQ(found[0].interfaceClass, kPhoneDriverClass);
  EXPECT_EQ(found[0].record.devicePath, "/dev/bus/usb/003/012#VID_22B8&PID_4901&MI_08");
  EXPECT_EQ(found[1].interfaceClass, kUsbDeviceClass);
  EXPECT_EQ(found[1].record.devicePath, "/dev/ttyACM0");

  const auto& modem = found[1].record;
  EXPECT_EQ(phonelink::ReadDeviceProperty(modem, SPDRP_DEVICEDESC), "Motorola USB Modem");
  EXPECT_EQ(phonelink::ReadDeviceProperty(modem, SPDRP_COMPATIBLEIDS),
            "USB\\Class_02&SubClass_02&Prot_01");
  EXPECT_EQ(phonelink::ReadDeviceProperty(modem, SPDRP_LOCATION_INFORMATION), "3-1");
  EXPECT_EQ(phonelink::ReadDeviceProperty(modem, SPDRP_SERVICE), "cdc_acm");
  EXPECT_EQ(phonelink::ReadDeviceProperty(found[0].record, SPDRP_HARDWAREID),
            "USB\\VID_22B8&PID_4901&REV_0000&MI_08");
  // The same interface after re-enumeration (a new device number) is a new appearance.
  auto again = Phone(0x4901, {{8, 0xff, 0x03, 0xff, "", "", ""}});
  again.devnode = "/dev/bus/usb/003/013";
  EXPECT_NE(PhoneInterfacesOf({again}, Builtin())[0].appearanceKey, found[0].appearanceKey);
}

TEST(PhoneRecords, TheC380InP2KModeIsOnePhoneOnInterface8) {
  const auto found =
      PhoneInterfacesOf({Phone(0x4901, {{5, 0xff, 0x01, 0xff, "", "", "Motorola Accessory"},
                                        {6, 0xff, 0x02, 0xff, "", "", "MCU Data Logger"},
                                        {8, 0xff, 0x03, 0xff, "", "", "Motorola Test Command"}})},
                        Builtin());
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].record.devicePath, "/dev/bus/usb/003/012#VID_22B8&PID_4901&MI_08");
}

TEST(PhoneRecords, DriverPathsComeApartIntoNodeAndInterface) {
  const auto path = ParseDriverPath("/dev/bus/usb/001/007#VID_22B8&PID_4901&MI_0a");
  ASSERT_TRUE(path);
  EXPECT_EQ(path->node, "/dev/bus/usb/001/007");
  EXPECT_EQ(path->interfaceNumber, 10);
  EXPECT_FALSE(ParseDriverPath("/dev/bus/usb/001/007"));
  EXPECT_FALSE(ParseDriverPath("/dev/bus/usb/001/007#VID_22B8&PID_4901&MI_"));
  EXPECT_FALSE(ParseDriverPath("/dev/x&MI_08#VID_22B8"));
}

TEST(OpenFailures, SayWhatToDo) {
  const OsError denied = OpenFailure(EACCES, "/dev/bus/usb/001/007");
  EXPECT_EQ(denied.name(), "EACCES");
  EXPECT_THAT(denied.text(), HasSubstr(kUdevRulesName));
  EXPECT_THAT(denied.text(), HasSubstr("udevadm control --reload-rules"));
  EXPECT_THAT(denied.text(), HasSubstr("udevadm trigger"));
  EXPECT_EQ(OpenFailure(ENOENT, "/x").describe(), "ENOENT (No such file or directory)");
}

TEST(OpenFailures, ABusyDeviceNamesWhoHoldsIt) {
  const std::string node = ::testing::TempDir() + "held-node";
  std::ofstream(node) << "x";
  std::ifstream holder(node);  // this process keeps it open
  const OsError busy = OpenFailure(EBUSY, node);
  EXPECT_THAT(busy.text(), HasSubstr("held by "));
  EXPECT_THAT(busy.text(), HasSubstr("(pid " + std::to_string(::getpid()) + ")"));
  // Found by name, as ModemManager is, whose open files another user cannot see.
  std::string ownName;
  std::getline(std::ifstream("/proc/self/comm"), ownName);
  EXPECT_THAT(ProcessesNamed(ownName), HasSubstr(std::to_string(::getpid())));
  EXPECT_EQ(ProcessesNamed("no such program here"), "");
}

}  // namespace
}  // namespace vestrel::platform
