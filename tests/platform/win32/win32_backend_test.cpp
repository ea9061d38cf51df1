// The Windows device backend against what a host without a phone has: the device-setup
// functions, device-change messages, and plain files standing where a driver or a port would be.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, whose types it uses.
#include <dbt.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "platform/DeviceClasses.h"
#include "platform/DeviceProperties.h"
#include "platform/win32/DeviceSetup.h"
#include "platform/win32/Win32Bus.h"
#include "platform/win32/Win32DriverHandle.h"
#include "platform/win32/Win32Error.h"
#include "platform/win32/WinUsbPhones.h"

// Last: its property macros carry the names DeviceClasses.h gives its constants.
#include <setupapi.h>

namespace vestrel::platform {
namespace {

namespace fs = std::filesystem;
using ::testing::AnyOf;
using ::testing::IsEmpty;
using ::testing::Not;

// A file of the test's own, removed at the end.
struct ScratchFile {
  explicit ScratchFile(const std::string& name) : path(fs::temp_directory_path() / name) {
    std::ofstream(path, std::ios::binary);
  }
  ~ScratchFile() {
    std::error_code ignored;
    fs::remove(path, ignored);
  }
  std::string bytes() const {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  fs::path path;
};

TEST(InterfaceClassText, ParsesBracedGuidsOnly) {
  const auto guid = ParseInterfaceClass(kPhoneDriverClass);
  ASSERT_TRUE(guid);
  EXPECT_EQ(guid->Data1, 0x4E1E1E15u);
  EXPECT_EQ(guid->Data2, 0x52D7);
  EXPECT_EQ(guid->Data3, 0x11D4);
  EXPECT_EQ(guid->Data4[0], 0x85);
  EXPECT_EQ(guid->Data4[7], 0x0B);
  EXPECT_FALSE(ParseInterfaceClass("4E1E1E15-52D7-11D4-852D-00105AA6F80B"));
  EXPECT_FALSE(ParseInterfaceClass("{4E1E1E15-52D7-11D4-852D-00105AA6F80}"));
  EXPECT_FALSE(ParseInterfaceClass("{4E1E1E15-52D7-11D4-852D-00105AA6F80BX"));
  EXPECT_FALSE(ParseInterfaceClass("{4E1E1E15+52D7-11D4-852D-00105AA6F80B}"));
}

DeviceInterfaceRecord WinUsbInterface(std::uint32_t instance, std::string_view hardwareId,
                                      std::string_view compatibleId) {
  DeviceInterfaceRecord record;
  record.deviceInstance = instance;
  record.devicePath = "\\\\?\\" + std::string(hardwareId) + "#" + std::to_string(instance);
  record.properties[SPDRP_HARDWAREID] = MultiTextProperty({hardwareId});
  record.properties[SPDRP_COMPATIBLEIDS] = MultiTextProperty({compatibleId, "USB\\Class_ff"});
  record.properties[SPDRP_DEVICEDESC] = TextProperty("WinUSB Device");
  return record;
}

// WinUSB interfaces become phone-driver records only where the table names them: the command
// interface of a P2K phone (not its other vendor interfaces), a flash phone's, no modem and no
// other maker's device; one listed in two classes counts once.
TEST(WinUsbPhones, TheTablesP2KAndFlashInterfacesBecomePhoneDriverRecords) {
  PhoneTable table;
  table.add(
      "description p2k   Motorola Test Command Interface\n"
      "description flash Motorola Flash Interface\n"
      "22b8 4902 * p2k   C380\n22b8 4903 * flash Flash\n22b8 4904 * at Modem\n",
      "test");
  const std::vector<DeviceInterfaceRecord> bound = {
      WinUsbInterface(1, "USB\\VID_22B8&PID_4902&REV_0001&MI_08",
                      "USB\\Class_ff&SubClass_03&Prot_00"),
      WinUsbInterface(2, "USB\\VID_22B8&PID_4902&REV_0001&MI_06",
                      "USB\\Class_ff&SubClass_01&Prot_00"),
      WinUsbInterface(1, "USB\\VID_22B8&PID_4902&REV_0001&MI_08",
                      "USB\\Class_ff&SubClass_03&Prot_00"),
      WinUsbInterface(3, "USB\\VID_22B8&PID_4903&REV_0001", "USB\\Class_ff&SubClass_00&Prot_00"),
      WinUsbInterface(4, "USB\\VID_22B8&PID_4904&MI_00", "USB\\Class_ff&SubClass_00&Prot_00"),
      WinUsbInterface(5, "USB\\VID_1234&PID_4902&MI_08", "USB\\Class_ff&SubClass_03&Prot_00"),
  };
  const auto phones = WinUsbPhoneRecords(bound, table);
  ASSERT_EQ(phones.size(), 2u);
  EXPECT_EQ(phones[0].deviceInstance, 1u);
  EXPECT_EQ(FirstTextOf(phones[0], SPDRP_DEVICEDESC), "Motorola Test Command Interface");
  EXPECT_EQ(FirstTextOf(phones[0], SPDRP_FRIENDLYNAME), "C380");
  EXPECT_EQ(FirstTextOf(phones[0], SPDRP_SERVICE), "WinUSB");
  EXPECT_EQ(phones[0].devicePath, bound[0].devicePath);
  EXPECT_EQ(phones[1].deviceInstance, 3u);
  EXPECT_EQ(FirstTextOf(phones[1], SPDRP_DEVICEDESC), "Motorola Flash Interface");
}

// The shipped INF binds every P2K and flash phone of the built-in table, in the class the bus
// looks in.
TEST(WinUsbPhones, TheInfBindsTheTablesPhonesInTheBussClass) {
  std::ifstream in(VESTREL_WINUSB_INF, std::ios::binary);
  ASSERT_TRUE(in) << VESTREL_WINUSB_INF;
  const std::string inf{std::istreambuf_iterator<char>(in), {}};
  EXPECT_NE(inf.find("DeviceInterfaceGUIDs,0x10000,\"" + std::string(kWinUsbPhoneClass)),
            std::string::npos);
  PhoneTable table;
  table.add(BuiltinPhoneTableText(), "built-in");
  int phones = 0;
  for (const PhoneTableRow& row : table.rows()) {
    if (row.vendor != 0x22B8 || row.family == PhoneFamily::AT) continue;
    char id[40];
    std::snprintf(id, sizeof id,
                  row.family == PhoneFamily::P2K ? "USB\\VID_22B8&PID_%04X&MI_08\r"
                                                 : "USB\\VID_22B8&PID_%04X\r",
                  row.product);
    EXPECT_NE(inf.find(id), std::string::npos) << id;
    ++phones;
  }
  EXPECT_GT(phones, 0);
}

// Without a phone, the WinUSB classes add nothing to the phone driver's class.
TEST(WinUsbPhones, AHostWithoutPhonesListsNoneInThePhoneDriversClass) {
  Win32Bus bus{PhoneTable()};
  const auto records = bus.presentInterfaces(kPhoneDriverClass);
  ASSERT_TRUE(records.has_value());
  EXPECT_THAT(*records, IsEmpty());
  EXPECT_NE(bus.subscribe(kPhoneDriverClass, [] {}), nullptr);
}

TEST(Win32Errors, CarryTheCodeItsNameAndTheSystemsText) {
  const OsError denied = Win32Error(ERROR_ACCESS_DENIED);
  EXPECT_TRUE(denied.failed());
  EXPECT_EQ(denied.code(), 5);
  EXPECT_EQ(denied.name(), "ERROR_ACCESS_DENIED");
  EXPECT_THAT(denied.text(), Not(IsEmpty()));
  EXPECT_EQ(Win32Error(ERROR_NO_MORE_ITEMS).name(), "ERROR_NO_MORE_ITEMS");
  EXPECT_EQ(Win32Error(54321).name(), "WIN32_54321");
  EXPECT_FALSE(Win32Error(0).failed());
}

// The size fields are this build's: with the 32-bit sizes the enumeration fails at once with
// ERROR_INVALID_PARAMETER, which would pass for "no phone" on a 64-bit system.
TEST(DeviceSetup, EnumerationEndsWithNoMoreItemsOnAHostWithoutPhones) {
  const GUID klass = *ParseInterfaceClass(kPhoneDriverClass);
  HDEVINFO set =
      SetupDiGetClassDevsA(&klass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  ASSERT_NE(set, INVALID_HANDLE_VALUE);
  SP_DEVICE_INTERFACE_DATA member{};
  member.cbSize = 28;
  EXPECT_FALSE(SetupDiEnumDeviceInterfaces(set, nullptr, &klass, 0, &member));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  member.cbSize = sizeof(member);
  EXPECT_FALSE(SetupDiEnumDeviceInterfaces(set, nullptr, &klass, 0, &member));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
  SetupDiDestroyDeviceInfoList(set);

  Win32Bus bus{PhoneTable()};
  const auto phones = bus.presentInterfaces(kPhoneDriverClass);
  ASSERT_TRUE(phones) << "an empty class is a device set with no members, not a failure";
  EXPECT_THAT(*phones, IsEmpty());
  EXPECT_FALSE(bus.presentInterfaces("not a class"));
}

TEST(DeviceSetup, EveryListedUsbDeviceHasAPathAndInstance) {
  Win32Bus bus{PhoneTable()};
  const auto devices = bus.presentInterfaces(kUsbDeviceClass);
  ASSERT_TRUE(devices);
  for (const auto& device : *devices) {
    EXPECT_THAT(device.devicePath, Not(IsEmpty()));
    EXPECT_NE(device.deviceInstance, 0u);
  }
}

// Wine lists no serial port of a phone: the class's set is there, and the USB device class gains
// nothing from it, whatever the phone table holds.
TEST(DeviceSetup, WithoutAPhoneTheSerialPortsAddNoModem) {
  const auto ports = EnumeratePresentSerialPorts(*ParseInterfaceClass(kSerialPortClass));
  ASSERT_TRUE(ports) << "an empty class is a device set with no members, not a failure";
  for (const auto& port : *ports) {
    EXPECT_THAT(port.lineage, Not(IsEmpty())) << port.portName;
  }
  PhoneTable table;
  ASSERT_THAT(table.add(BuiltinPhoneTableText(), "built-in"), IsEmpty());
  Win32Bus withPhones(std::move(table));
  Win32Bus withoutPhones{PhoneTable()};
  const auto listed = withPhones.presentInterfaces(kUsbDeviceClass);
  ASSERT_TRUE(listed);
  EXPECT_EQ(listed->size(), withoutPhones.presentInterfaces(kUsbDeviceClass)->size());
}

HWND NoticeWindow() {
  return FindWindowExA(HWND_MESSAGE, nullptr, "VestrelDeviceNotices", nullptr);
}

TEST(DeviceNotices, ArriveOnlyThroughDeliverAndOncePerChange) {
  Win32Bus bus{PhoneTable()};
  int heard = 0;
  auto subscription = bus.subscribe(kPhoneDriverClass, [&] { ++heard; });
  ASSERT_NE(subscription, nullptr);
  const HWND window = NoticeWindow();
  ASSERT_NE(window, nullptr);

  bus.deliverNotices();
  EXPECT_EQ(heard, 0) << "no change, no notice";
  SendMessageA(window, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
  SendMessageA(window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0);
  EXPECT_EQ(heard, 0) << "the window only marks the change";
  bus.deliverNotices();
  EXPECT_EQ(heard, 1);
  bus.deliverNotices();
  EXPECT_EQ(heard, 1);

  subscription.reset();
  EXPECT_EQ(NoticeWindow(), nullptr) << "the window ends with its subscription";
  EXPECT_EQ(bus.subscribe("{not a class}", [] {}), nullptr);
}

TEST(DeviceNotices, ANoticeMayEndItsOwnSubscription) {
  Win32Bus bus{PhoneTable()};
  std::unique_ptr<NoticeSubscription> subscription;
  int heard = 0;
  subscription = bus.subscribe(kUsbDeviceClass, [&] {
    ++heard;
    subscription.reset();
  });
  ASSERT_NE(subscription, nullptr);
  SendMessageA(NoticeWindow(), WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
  bus.deliverNotices();
  EXPECT_EQ(heard, 1);
  EXPECT_EQ(subscription, nullptr);
}

// The system sends a window's device-change messages from another thread, as here.
TEST(DeviceNotices, AWatchWaitsUntilAWindowHearsAChange) {
  Win32Bus bus{PhoneTable()};
  int heard = 0;
  auto subscription = bus.subscribe(kPhoneDriverClass, [&] { ++heard; });
  ASSERT_NE(subscription, nullptr);
  const auto watch = bus.watchNotices();
  ASSERT_NE(watch, nullptr);
  EXPECT_EQ(watch->descriptor(), -1);
  EXPECT_FALSE(watch->wait(30)) << "no change, the time runs out";

  const HWND window = NoticeWindow();
  std::thread system([window] { SendMessageA(window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0); });
  EXPECT_TRUE(watch->wait(20000));
  system.join();
  EXPECT_EQ(heard, 0) << "the watch only lets the change in";
  bus.deliverNotices();
  EXPECT_EQ(heard, 1);
  EXPECT_FALSE(watch->wait(0)) << "a delivered change does not end the next wait";
}

TEST(DeviceNotices, AWaitLeavesTheThreadsOtherMessagesToItsLoop) {
  Win32Bus bus{PhoneTable()};
  auto subscription = bus.subscribe(kUsbDeviceClass, [] {});
  const auto watch = bus.watchNotices();
  ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_APP, 7, 0));
  EXPECT_FALSE(watch->wait(50));
  MSG message;
  ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_APP, WM_APP, PM_REMOVE));
  EXPECT_EQ(message.wParam, 7u);
}

TEST(DriverHandle, AMissingDeviceSaysWhyItDidNotOpen) {
  Win32Bus bus{PhoneTable()};
  const auto opened =
      bus.openDriver("\\\\?\\USB#VID_0000&PID_0000#none#{4E1E1E15-52D7-11D4-852D-00105AA6F80B}");
  EXPECT_EQ(opened.handle, nullptr);
  EXPECT_THAT(opened.error.name(), AnyOf("ERROR_FILE_NOT_FOUND", "ERROR_PATH_NOT_FOUND"));
  EXPECT_FALSE(bus.openSerial("\\\\.\\COM250").error.name().empty());
}

// A plain file refuses the driver's control codes: the request ends at once, refused, with the
// reason; once closed, every request fails as a device that is gone.
TEST(DriverHandle, ARefusedRequestAndAClosedHandleGiveTheirShapes) {
  ScratchFile file("vestrel-driver-handle.bin");
  Win32Bus bus{PhoneTable()};
  auto opened = bus.openDriver(file.path.string());
  ASSERT_NE(opened.handle, nullptr) << opened.error.describe();
  auto& handle = *opened.handle;
  std::uint8_t setup[9] = {0xC1, 0, 0, 0, 8, 0, 8, 0, 0};
  std::uint8_t reply[16] = {};
  const IoOutcome refused = handle.ioControl(IOCTL_P2K_CONTROL, setup, reply, 5000);
  EXPECT_FALSE(refused.callOk);
  EXPECT_FALSE(refused.resultOk);
  EXPECT_EQ(refused.wait, Wait::Signalled);
  EXPECT_EQ(refused.bytesReturned, 0u);
  EXPECT_TRUE(refused.error.failed());

  EXPECT_FALSE(handle.close().failed());
  const IoOutcome gone = handle.ioControl(IOCTL_P2K_READ, setup, reply, 10000);
  EXPECT_EQ(gone.wait, Wait::Failed);
  EXPECT_FALSE(gone.callOk);
  EXPECT_EQ(gone.error.name(), "ERROR_INVALID_HANDLE");
  EXPECT_EQ(handle.close().name(), "ERROR_INVALID_HANDLE");
}

// A request the device never ends returns at its wait and is cancelled, and the handle takes
// the next one: a pipe's listen, which waits for a client that never comes, stands for a phone
// that stalls the driver.
TEST(DriverHandle, ARequestTheDeviceNeverEndsReturnsAtItsWait) {
  // The pipe file system's listen code (ntifs.h), which MinGW's headers leave out.
  constexpr std::uint32_t kPipeListen = CTL_CODE(FILE_DEVICE_NAMED_PIPE, 2, METHOD_BUFFERED, 0);
  const HANDLE server = CreateNamedPipeA("\\\\.\\pipe\\vestrel-stalled-driver",
                                         PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                         PIPE_TYPE_BYTE | PIPE_WAIT, 1, 64, 64, 0, nullptr);
  ASSERT_NE(server, INVALID_HANDLE_VALUE);
  Win32DriverHandle handle(server);
  for (int request = 0; request < 2; ++request) {
    const IoOutcome outcome = handle.ioControl(kPipeListen, {}, {}, 50);
    EXPECT_EQ(outcome.wait, Wait::Timeout);
    EXPECT_FALSE(outcome.callOk);
    EXPECT_EQ(outcome.error.name(), "WAIT_TIMEOUT");
  }
  EXPECT_FALSE(handle.close().failed());
}

// An overlapped file takes the write the way a modem port does; only the port settings differ.
TEST(SerialPort, AWriteCompletesWithTheBytesThatReachedTheDevice) {
  ScratchFile file("vestrel-serial-port.bin");
  Win32Bus bus{PhoneTable()};
  {
    auto opened = bus.openSerial(file.path.string());
    ASSERT_NE(opened.handle, nullptr) << opened.error.describe();
    auto& port = *opened.handle;
    const std::string line = "AT+Mode=8\r\n";
    const WriteOutcome outcome =
        port.write(std::span(reinterpret_cast<const std::uint8_t*>(line.data()), line.size()));
    EXPECT_TRUE(outcome.accepted);
    EXPECT_EQ(outcome.written, 11u);
    const auto baud = port.commStateBaudRate();
    EXPECT_FALSE(baud.value) << "a file has no port settings";
    EXPECT_TRUE(baud.error.failed());
    EXPECT_FALSE(port.close().failed());
    EXPECT_FALSE(port.write(std::span<const std::uint8_t>()).accepted);
    EXPECT_FALSE(port.getTimeouts().value);
  }
  EXPECT_EQ(file.bytes(), "AT+Mode=8\r\n");
}

}  // namespace
}  // namespace vestrel::platform
