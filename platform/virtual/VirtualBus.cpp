#include "platform/virtual/VirtualBus.h"

#include <algorithm>
#include <cerrno>

#include "platform/DeviceClasses.h"
#include "platform/DeviceProperties.h"
#include "platform/virtual/VirtualDriverHandle.h"
#include "platform/virtual/VirtualSerialPort.h"

namespace vestrel::virtualphone {

using namespace platform;

namespace {

std::string_view classOf(PhoneMode mode) {
  switch (mode) {
    case PhoneMode::P2K:
    case PhoneMode::Flash:
      return kPhoneDriverClass;
    case PhoneMode::AT:
      return kUsbDeviceClass;
    case PhoneMode::Off:
      break;
  }
  return {};
}

struct ModeLook {
  std::string_view description;
  std::string_view hardwareId;
  std::string_view usbClass;  // the interface's USB class code in compatible-ID form
  std::string_view setupClass;
  std::string_view setupClassGuid;
  std::string_view service;
};

ModeLook lookOf(PhoneMode mode) {
  switch (mode) {
    case PhoneMode::Flash:
      return {"Motorola Flash Interface",
              "USB\\VID_1D5A&PID_4903",
              "Class_FF",
              "USB",
              "{36FC9E60-C465-11CF-8056-444553540000}",
              "vphoneusb"};
    case PhoneMode::AT:
      return {"Motorola USB Modem",
              "USB\\VID_1D5A&PID_4901",
              "Class_02",
              "Modem",
              "{4D36E96D-E325-11CE-BFC1-08002BE10318}",
              "usbser"};
    default:
      return {"Motorola Test Command Interface",
              "USB\\VID_1D5A&PID_4902",
              "Class_FF",
              "USB",
              "{36FC9E60-C465-11CF-8056-444553540000}",
              "vphoneusb"};
  }
}

}  // namespace

class VirtualBus::Subscription final : public NoticeSubscription {
 public:
  Subscription(VirtualBus& bus, std::uint64_t id) : bus_(bus), id_(id) {}
  ~Subscription() override { bus_.subscribers_.erase(id_); }

 private:
  VirtualBus& bus_;
  std::uint64_t id_;
};

VirtualBus::VirtualBus(VirtualClock& clock) : clock_(clock) {}

VirtualBus::~VirtualBus() {
  for (auto& phone : phones_) phone->setModeListener(nullptr);
}

std::shared_ptr<VirtualPhone> VirtualBus::plug(VirtualPhone::Identity identity, PhoneMode mode) {
  auto phone = std::make_shared<VirtualPhone>(std::move(identity), mode);
  plug(phone);
  return phone;
}

void VirtualBus::plug(std::shared_ptr<VirtualPhone> phone) {
  phone->setModeListener([this](PhoneMode from, PhoneMode to) {
    queueNotice(from);
    queueNotice(to);
  });
  queueNotice(phone->mode());
  phones_.push_back(std::move(phone));
}

void VirtualBus::unplug(const VirtualPhone& phone) {
  auto it = std::find_if(phones_.begin(), phones_.end(),
                         [&](const auto& p) { return p.get() == &phone; });
  if (it == phones_.end()) return;
  auto removed = *it;
  phones_.erase(it);
  appearances_.erase(removed.get());
  removed->setModeListener(nullptr);
  queueNotice(removed->mode());
  // A handle still open on it must fail from now on, as on a real unplug.
  removed->setMode(PhoneMode::Off);
}

void VirtualBus::queueNotice(PhoneMode mode) {
  if (mode != PhoneMode::Off) pendingClasses_.insert(std::string(classOf(mode)));
}

std::uint32_t VirtualBus::deviceInstanceOf(const VirtualPhone& phone) {
  Appearance& seen = appearances_[&phone];
  if (seen.appearance != phone.appearance()) {
    seen = {phone.appearance(), nextDeviceInstance_++};
  }
  return seen.deviceInstance;
}

std::optional<std::vector<DeviceInterfaceRecord>> VirtualBus::presentInterfaces(
    std::string_view interfaceClass) {
  std::vector<DeviceInterfaceRecord> records;
  for (const auto& phone : phones_) {
    if (phone->mode() == PhoneMode::Off || classOf(phone->mode()) != interfaceClass) continue;
    const ModeLook look = lookOf(phone->mode());
    const std::string usbClass(look.usbClass);
    DeviceInterfaceRecord record;
    record.deviceInstance = deviceInstanceOf(*phone);
    record.devicePath = phone->devicePath();
    auto& p = record.properties;
    p[SPDRP_DEVICEDESC] = TextProperty(look.description);
    p[SPDRP_HARDWAREID] = MultiTextProperty({look.hardwareId});
    p[SPDRP_COMPATIBLEIDS] =
        MultiTextProperty({"USB\\" + usbClass + "&SubClass_00&Prot_00",
                           "USB\\" + usbClass + "&SubClass_00", "USB\\" + usbClass});
    p[SPDRP_CLASS] = TextProperty(look.setupClass);
    p[SPDRP_CLASSGUID] = TextProperty(look.setupClassGuid);
    p[SPDRP_DRIVER] = TextProperty(std::string(look.setupClassGuid) + "\\0001");
    p[SPDRP_MFG] = TextProperty("Motorola");
    p[SPDRP_FRIENDLYNAME] = TextProperty(look.description);
    p[SPDRP_LOCATION_INFORMATION] = TextProperty(phone->identity().location);
    p[SPDRP_PHYSICAL_DEVICE_OBJECT_NAME] =
        TextProperty("\\Device\\USBPDO-" + phone->identity().serial);
    p[SPDRP_SERVICE] = TextProperty(look.service);
    p[SPDRP_ENUMERATOR_NAME] = TextProperty("USB");
    p[SPDRP_CAPABILITIES] = NumberProperty(0x84);
    p[SPDRP_CONFIGFLAGS] = NumberProperty(0);
    p[SPDRP_BUSNUMBER] = NumberProperty(0);
    p[SPDRP_UI_NUMBER] = NumberProperty(0);
    records.push_back(std::move(record));
  }
  return records;
}

std::unique_ptr<NoticeSubscription> VirtualBus::subscribe(std::string_view interfaceClass,
                                                          std::function<void()> notice) {
  const std::uint64_t id = nextSubscriber_++;
  subscribers_[id] = {std::string(interfaceClass), std::move(notice)};
  return std::make_unique<Subscription>(*this, id);
}

void VirtualBus::deliverNotices() {
  while (!pendingClasses_.empty()) {
    const std::string cls = *pendingClasses_.begin();
    pendingClasses_.erase(pendingClasses_.begin());
    // A handler may subscribe or unsubscribe: call those registered now, if still there.
    std::vector<std::uint64_t> ids;
    for (const auto& [id, sub] : subscribers_) {
      if (sub.first == cls) ids.push_back(id);
    }
    for (auto id : ids) {
      auto it = subscribers_.find(id);
      if (it == subscribers_.end()) continue;
      auto notice = it->second.second;
      notice();
    }
  }
}

std::shared_ptr<VirtualPhone> VirtualBus::phoneAt(const std::string& devicePath) const {
  for (const auto& phone : phones_) {
    if (phone->mode() != PhoneMode::Off && phone->devicePath() == devicePath) return phone;
  }
  return nullptr;
}

// A path with no phone behind it fails as a missing device node would.
platform::Opened<DriverHandle> VirtualBus::openDriver(const std::string& devicePath) {
  auto phone = phoneAt(devicePath);
  if (!phone || phone->mode() == PhoneMode::AT)
    return {nullptr, platform::OsError::FromErrno(ENOENT)};
  return {std::make_unique<VirtualDriverHandle>(phone, clock_), {}};
}

platform::Opened<SerialPort> VirtualBus::openSerial(const std::string& devicePath) {
  auto phone = phoneAt(devicePath);
  if (!phone || phone->mode() != PhoneMode::AT)
    return {nullptr, platform::OsError::FromErrno(ENOENT)};
  return {std::make_unique<VirtualSerialPort>(phone), {}};
}

}  // namespace vestrel::virtualphone
