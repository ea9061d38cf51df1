// Serial ports of Windows' own serial driver taken for phone modems: which ones, and that the AT
// family finds and opens what they become.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "phonelink/MotoATMode.h"
#include "platform/Clock.h"
#include "platform/DeviceClasses.h"
#include "platform/DeviceProperties.h"
#include "platform/ModemPorts.h"
#include "tests/support/ScriptedBus.h"

namespace vestrel::platform {
namespace {

using ::testing::IsEmpty;

MATCHER_P3(IsUsb, vendor, product, interfaceNumber, "") {
  return arg && arg->vendor == vendor && arg->product == product &&
         arg->interfaceNumber == interfaceNumber;
}

TEST(UsbDeviceId, TakesHardwareAndInstanceIdsApartWithoutRegardToCase) {
  EXPECT_THAT(ParseUsbDeviceId("USB\\VID_22B8&PID_3802&REV_0001&MI_00"),
              IsUsb(0x22B8, 0x3802, std::optional<std::uint8_t>(0)));
  EXPECT_THAT(ParseUsbDeviceId("usb\\vid_22b8&pid_2a62&mi_0a"),
              IsUsb(0x22B8, 0x2A62, std::optional<std::uint8_t>(0x0A)));
  EXPECT_THAT(ParseUsbDeviceId("USB\\VID_22B8&PID_3802\\5&2A3C4F1&0&2"),
              IsUsb(0x22B8, 0x3802, std::optional<std::uint8_t>()));
  // What follows the device part is the instance's own, whatever it looks like.
  EXPECT_THAT(ParseUsbDeviceId("USB\\VID_22B8&PID_3802\\6&MI_07&0"),
              IsUsb(0x22B8, 0x3802, std::optional<std::uint8_t>()));
}

TEST(UsbDeviceId, RefusesOtherBusesAndMalformedNumbers) {
  for (const char* id :
       {"HID\\VID_22B8&PID_3802", "USB\\ROOT_HUB30\\4&1C2D&0&0", "USB\\Class_02&SubClass_02",
        "USB\\VID_22B8", "USB\\PID_3802", "USB\\VID_22B&PID_3802", "USB\\VID_22B8&PID_38020",
        "USB\\VID_22G8&PID_3802", "USB\\VID_22B8&PID_3802&MI_0", "USB\\VID_+2B8&PID_3802", "USB",
        "", "USBSTOR\\VID_22B8&PID_3802"}) {
    EXPECT_EQ(ParseUsbDeviceId(id), std::nullopt) << id;
  }
}

PhoneTable BuiltinTable() {
  PhoneTable table;
  EXPECT_THAT(table.add(BuiltinPhoneTableText(), "built-in"), IsEmpty());
  return table;
}

// A port as usbser.sys makes it for one function of a composite phone: the port's own node is
// the function, its parent the phone's USB device.
SerialPortSeen Port(std::string name, std::string functionId, std::string deviceId) {
  SerialPortSeen port;
  port.record.deviceInstance = 40;
  port.record.devicePath = "\\\\?\\USB#VID_22B8&PID_3802&MI_00#6&1&0&0000#{86e0d1e0}";
  port.record.properties[SPDRP_DEVICEDESC] = TextProperty("USB Serial Device");
  port.record.properties[SPDRP_COMPATIBLEIDS] =
      MultiTextProperty({"USB\\Class_02&SubClass_02&Prot_01", "USB\\Class_02"});
  port.record.properties[SPDRP_LOCATION_INFORMATION] = TextProperty("Port_#0003.Hub_#0001");
  port.portName = std::move(name);
  port.lineage = {{40, std::move(functionId)}, {39, std::move(deviceId)}};
  return port;
}

SerialPortSeen PhonePort(std::string name = "COM5") {
  return Port(std::move(name), "USB\\VID_22B8&PID_3802&MI_00\\6&1&0&0000",
              "USB\\VID_22B8&PID_3802\\5&2A3C&0&2");
}

TEST(ModemPorts, APhonesPortBecomesTheModemTheAtFamilyLooksFor) {
  const auto modems = ModemPortRecords({PhonePort()}, {}, BuiltinTable());
  ASSERT_EQ(modems.size(), 1u);
  const auto& modem = modems[0];
  EXPECT_EQ(modem.devicePath, "\\\\.\\COM5");
  EXPECT_EQ(modem.deviceInstance, 40u);
  EXPECT_EQ(FirstTextOf(modem, SPDRP_DEVICEDESC), "Motorola USB Modem");
  EXPECT_EQ(FirstTextOf(modem, SPDRP_FRIENDLYNAME), "C330/C350L/C450/EZX GSM Phone (AT) (COM5)");
  EXPECT_EQ(FirstTextOf(modem, SPDRP_LOCATION_INFORMATION), "Port_#0003.Hub_#0001");
  EXPECT_EQ(FirstTextOf(modem, SPDRP_COMPATIBLEIDS), "USB\\Class_02&SubClass_02&Prot_01");

  // The AT family lists it and opens it by that path.
  testing::ScriptedBus bus;
  bus.present[std::string(kUsbDeviceClass)] = modems;
  SteadyClock clock;
  phonelink::TMotoATMode at({bus, clock});
  ASSERT_EQ(at.DeviceList().Count(), 1);
  EXPECT_EQ(at.DeviceList().Items(0)->ModemInfo().DevicePath, "\\\\.\\COM5");
}

TEST(ModemPorts, OnlyPortsOfPhonesInAtModeAreTaken) {
  const PhoneTable table = BuiltinTable();
  const auto taken = [&](SerialPortSeen port) {
    return ModemPortRecords({std::move(port)}, {}, table).size();
  };
  EXPECT_EQ(taken(PhonePort()), 1u);
  // A phone in P2K mode with a modem function, another maker's adapter, a phone ID the table
  // does not hold, a node with no USB ID above it.
  EXPECT_EQ(taken(Port("COM6", "USB\\VID_22B8&PID_4901&MI_01\\x", "USB\\VID_22B8&PID_4901\\y")),
            0u);
  EXPECT_EQ(
      taken(Port("COM7", "FTDIBUS\\VID_0403+PID_6001+A1\\0000", "USB\\VID_0403&PID_6001\\A1")), 0u);
  EXPECT_EQ(taken(Port("COM8", "USB\\VID_22B8&PID_0001&MI_00\\x", "USB\\VID_22B8&PID_0001\\y")),
            0u);
  EXPECT_EQ(taken(Port("COM9", "ACPI\\PNP0501\\1", "ACPI\\PNP0A03\\0")), 0u);
  // A port bound to the whole phone, and one whose own node is no USB device: judged by the
  // first USB ID of the lineage.
  EXPECT_EQ(taken(Port("COM10", "USB\\VID_22B8&PID_2A62\\5&1&0&1", "USB\\ROOT_HUB30\\4&1")), 1u);
  EXPECT_EQ(taken(Port("COM11", "{4D36E978-E325-11CE-BFC1-08002BE10318}\\x",
                       "USB\\VID_22B8&PID_3802\\5&2A3C&0&2")),
            1u);
}

TEST(ModemPorts, APortNameThatIsNoPlainNameIsLeftOut) {
  const PhoneTable table = BuiltinTable();
  for (const char* name : {"", "COM5\\..\\PIPE", "COM 5", "C:", "\\\\.\\COM5"}) {
    EXPECT_THAT(ModemPortRecords({PhonePort(name)}, {}, table), IsEmpty()) << name;
  }
}

TEST(ModemPorts, APortTheMakersModemDriverListsAlreadyIsNotListedTwice) {
  const PhoneTable table = BuiltinTable();
  auto usbDevice = [](std::uint32_t instance, const char* description) {
    return testing::MakeRecord(instance, "\\\\?\\USB#VID_22B8&PID_3802#5", description, "USB\\x");
  };
  EXPECT_THAT(ModemPortRecords({PhonePort()}, {usbDevice(39, "motorola usb modem")}, table),
              IsEmpty());
  EXPECT_THAT(ModemPortRecords({PhonePort()}, {usbDevice(40, "Motorola USB Modem #2")}, table),
              IsEmpty());
  EXPECT_EQ(ModemPortRecords({PhonePort()}, {usbDevice(39, "USB Composite Device")}, table).size(),
            1u);
  EXPECT_EQ(ModemPortRecords({PhonePort()}, {usbDevice(7, "Motorola USB Modem")}, table).size(), 1u)
      << "another phone's modem";
}

TEST(ModemPorts, APortThatDoesNotSayItIsOnUsbIsGivenItsDevicesId) {
  SerialPortSeen port = PhonePort("COM12");
  port.record.properties.erase(SPDRP_COMPATIBLEIDS);
  port.record.properties.erase(SPDRP_LOCATION_INFORMATION);
  const auto modems = ModemPortRecords({port}, {}, BuiltinTable());
  ASSERT_EQ(modems.size(), 1u);
  EXPECT_EQ(FirstTextOf(modems[0], SPDRP_COMPATIBLEIDS), "USB\\VID_22B8&PID_3802");
  EXPECT_EQ(FirstTextOf(modems[0], SPDRP_LOCATION_INFORMATION), "COM12");

  PhoneTable unnamed;
  unnamed.add("description at Motorola USB Modem\n22b8 3802 00 at\n", "user");
  port.record.properties[SPDRP_FRIENDLYNAME] = TextProperty("USB Serial Device (COM12)");
  EXPECT_EQ(FirstTextOf(ModemPortRecords({port}, {}, unnamed).at(0), SPDRP_FRIENDLYNAME),
            "USB Serial Device (COM12)");
}

}  // namespace
}  // namespace vestrel::platform
