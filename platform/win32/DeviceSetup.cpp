#include "platform/win32/DeviceSetup.h"

// After windows.h, whose types they use.
#include <cfgmgr32.h>
#include <setupapi.h>

#include <cstdio>
#include <functional>
#include <string>

namespace vestrel::platform {

namespace {

// Every property a device record carries (setupapi.h names them; 0x1E has no name).
constexpr DWORD kProperties[] = {
    SPDRP_DEVICEDESC,
    SPDRP_HARDWAREID,
    SPDRP_COMPATIBLEIDS,
    SPDRP_SERVICE,
    SPDRP_CLASS,
    SPDRP_CLASSGUID,
    SPDRP_DRIVER,
    SPDRP_CONFIGFLAGS,
    SPDRP_MFG,
    SPDRP_FRIENDLYNAME,
    SPDRP_LOCATION_INFORMATION,
    SPDRP_PHYSICAL_DEVICE_OBJECT_NAME,
    SPDRP_CAPABILITIES,
    SPDRP_UI_NUMBER,
    SPDRP_UPPERFILTERS,
    SPDRP_LOWERFILTERS,
    SPDRP_BUSTYPEGUID,
    SPDRP_LEGACYBUSTYPE,
    SPDRP_BUSNUMBER,
    SPDRP_ENUMERATOR_NAME,
    SPDRP_SECURITY,
    SPDRP_DEVTYPE,
    SPDRP_EXCLUSIVE,
    SPDRP_CHARACTERISTICS,
    SPDRP_ADDRESS,
    0x1E,
};

// The device set of one class, destroyed on every path out.
class DeviceSet {
 public:
  explicit DeviceSet(const GUID& klass)
      : set_(SetupDiGetClassDevsA(&klass, nullptr, nullptr,
                                  DIGCF_PRESENT | DIGCF_DEVICEINTERFACE)) {}
  ~DeviceSet() {
    if (valid()) SetupDiDestroyDeviceInfoList(set_);
  }
  DeviceSet(const DeviceSet&) = delete;
  DeviceSet& operator=(const DeviceSet&) = delete;
  bool valid() const { return set_ != INVALID_HANDLE_VALUE; }
  HDEVINFO get() const { return set_; }

 private:
  HDEVINFO set_;
};

// The property's raw bytes as the system keeps them; nullopt when it cannot be read.
std::optional<PropertyBytes> ReadProperty(HDEVINFO set, SP_DEVINFO_DATA& info, DWORD code) {
  DWORD required = 0;
  SetupDiGetDeviceRegistryPropertyA(set, &info, code, nullptr, nullptr, 0, &required);
  if (required == 0 || GetLastError() != ERROR_INSUFFICIENT_BUFFER) return std::nullopt;
  PropertyBytes bytes(required);
  if (!SetupDiGetDeviceRegistryPropertyA(set, &info, code, nullptr, bytes.data(), required,
                                         &required)) {
    return std::nullopt;
  }
  bytes.resize(required);
  return bytes;
}

// The device path of one member and its device-info data; nullopt when the detail cannot be
// read. The size fields are those of this build's structures (the 32-bit values are smaller).
std::optional<std::string> ReadDevicePath(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& member,
                                          SP_DEVINFO_DATA& info) {
  DWORD required = 0;
  info.cbSize = sizeof(SP_DEVINFO_DATA);
  SetupDiGetDeviceInterfaceDetailA(set, &member, nullptr, 0, &required, &info);
  if (required == 0 || GetLastError() != ERROR_INSUFFICIENT_BUFFER) return std::nullopt;
  std::vector<std::uint8_t> buffer(required);
  auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
  if (!SetupDiGetDeviceInterfaceDetailA(set, &member, detail, required, nullptr, &info)) {
    return std::nullopt;
  }
  return std::string(detail->DevicePath);
}

// Calls `visit` with the record of every present member of the class whose detail can be read,
// and the member's device-info data in its set; false when the set cannot be obtained.
bool VisitPresentInterfaces(
    const GUID& klass,
    const std::function<void(HDEVINFO, SP_DEVINFO_DATA&, DeviceInterfaceRecord)>& visit) {
  DeviceSet set(klass);
  if (!set.valid()) return false;
  // The enumeration ends with ERROR_NO_MORE_ITEMS at the first index past the last member.
  for (DWORD index = 0;; ++index) {
    SP_DEVICE_INTERFACE_DATA member{};
    member.cbSize = sizeof(SP_DEVICE_INTERFACE_DATA);
    if (!SetupDiEnumDeviceInterfaces(set.get(), nullptr, &klass, index, &member)) break;
    SP_DEVINFO_DATA info{};
    auto path = ReadDevicePath(set.get(), member, info);
    if (!path) continue;
    DeviceInterfaceRecord record;
    record.deviceInstance = info.DevInst;
    record.devicePath = std::move(*path);
    for (DWORD code : kProperties) {
      if (auto bytes = ReadProperty(set.get(), info, code)) record.properties[code] = *bytes;
    }
    visit(set.get(), info, std::move(record));
  }
  return true;
}

// The "PortName" value of the device's hardware key ("COM5"); empty when it cannot be read.
std::string ReadPortName(HDEVINFO set, SP_DEVINFO_DATA& info) {
  HKEY key = SetupDiOpenDevRegKey(set, &info, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
  if (key == INVALID_HANDLE_VALUE) return {};
  char name[64] = {};
  DWORD size = sizeof(name) - 1;
  DWORD type = 0;
  const LONG status =
      RegQueryValueExA(key, "PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || type != REG_SZ) return {};
  return std::string(name);
}

// The node and its parents, nearest first, as far as a USB device's hub: a port of a composite
// device's function sits three levels below the hub.
std::vector<DeviceNode> ReadLineage(DEVINST node) {
  constexpr int kDepth = 4;
  std::vector<DeviceNode> lineage;
  for (int level = 0; level < kDepth; ++level) {
    char id[MAX_DEVICE_ID_LEN + 1] = {};
    if (CM_Get_Device_IDA(node, id, MAX_DEVICE_ID_LEN, 0) != CR_SUCCESS) break;
    lineage.push_back({node, id});
    DEVINST parent = 0;
    if (CM_Get_Parent(&parent, node, 0) != CR_SUCCESS) break;
    node = parent;
  }
  return lineage;
}

// The texts of a string or multi-string value of the device's hardware key; empty when it
// cannot be read.
std::vector<std::string> ReadDeviceKeyTexts(HDEVINFO set, SP_DEVINFO_DATA& info, const char* name) {
  HKEY key = SetupDiOpenDevRegKey(set, &info, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
  if (key == INVALID_HANDLE_VALUE) return {};
  DWORD type = 0;
  DWORD size = 0;
  std::vector<char> value;
  if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && size > 0) {
    value.resize(size + 2);
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_MULTI_SZ)) {
      value.clear();
    }
  }
  RegCloseKey(key);
  std::vector<std::string> texts;
  for (std::size_t at = 0; at < value.size() && value[at] != '\0';) {
    texts.emplace_back(value.data() + at);
    at += texts.back().size() + 1;
  }
  return texts;
}

}  // namespace

std::optional<GUID> ParseInterfaceClass(std::string_view text) {
  if (text.size() != 38 || text.front() != '{' || text.back() != '}') return std::nullopt;
  const std::string braced(text);
  unsigned long data1 = 0;
  unsigned int data2 = 0, data3 = 0, bytes[8] = {};
  int consumed = 0;
  if (std::sscanf(braced.c_str(), "{%8lx-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x}%n", &data1, &data2,
                  &data3, &bytes[0], &bytes[1], &bytes[2], &bytes[3], &bytes[4], &bytes[5],
                  &bytes[6], &bytes[7], &consumed) != 11 ||
      consumed != 38) {
    return std::nullopt;
  }
  GUID guid{};
  guid.Data1 = data1;
  guid.Data2 = static_cast<unsigned short>(data2);
  guid.Data3 = static_cast<unsigned short>(data3);
  for (int i = 0; i < 8; ++i) guid.Data4[i] = static_cast<unsigned char>(bytes[i]);
  return guid;
}

std::optional<std::vector<DeviceInterfaceRecord>> EnumeratePresentInterfaces(const GUID& klass) {
  std::vector<DeviceInterfaceRecord> records;
  const bool listed =
      VisitPresentInterfaces(klass, [&](HDEVINFO, SP_DEVINFO_DATA&, DeviceInterfaceRecord record) {
        records.push_back(std::move(record));
      });
  if (!listed) return std::nullopt;
  return records;
}

std::optional<std::vector<SerialPortSeen>> EnumeratePresentSerialPorts(const GUID& klass) {
  std::vector<SerialPortSeen> ports;
  const bool listed = VisitPresentInterfaces(
      klass, [&](HDEVINFO set, SP_DEVINFO_DATA& info, DeviceInterfaceRecord record) {
        ports.push_back({std::move(record), ReadPortName(set, info), ReadLineage(info.DevInst)});
      });
  if (!listed) return std::nullopt;
  return ports;
}

std::vector<GUID> WinUsbInterfaceClasses() {
  std::vector<GUID> classes;
  const HDEVINFO set =
      SetupDiGetClassDevsA(nullptr, "USB", nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES);
  if (set == INVALID_HANDLE_VALUE) return classes;
  for (DWORD index = 0;; ++index) {
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof(SP_DEVINFO_DATA);
    if (!SetupDiEnumDeviceInfo(set, index, &info)) break;
    auto service = ReadProperty(set, info, SPDRP_SERVICE);
    if (service) service->push_back(0);
    if (!service || lstrcmpiA(reinterpret_cast<const char*>(service->data()), "WinUSB") != 0) {
      continue;
    }
    for (const char* name : {"DeviceInterfaceGUIDs", "DeviceInterfaceGUID"}) {
      for (const std::string& text : ReadDeviceKeyTexts(set, info, name)) {
        if (const auto klass = ParseInterfaceClass(text)) classes.push_back(*klass);
      }
    }
  }
  SetupDiDestroyDeviceInfoList(set);
  return classes;
}

}  // namespace vestrel::platform
