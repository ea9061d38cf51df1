#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/DeviceBus.h"
#include "platform/virtual/VirtualClock.h"
#include "platform/virtual/VirtualPhone.h"

namespace vestrel::virtualphone {

// A USB bus hosting any number of virtual phones. Each phone shows one device interface in the
// class of its current mode, with the descriptions a real phone's driver gives; plugging,
// unplugging and mode changes queue device-change notices for the classes they touch.
class VirtualBus final : public platform::DeviceBus {
 public:
  explicit VirtualBus(VirtualClock& clock);
  ~VirtualBus() override;

  // Plugs a phone in (in its current mode) and keeps it until it is unplugged.
  std::shared_ptr<VirtualPhone> plug(VirtualPhone::Identity identity,
                                     PhoneMode mode = PhoneMode::P2K);
  void plug(std::shared_ptr<VirtualPhone> phone);
  void unplug(const VirtualPhone& phone);
  const std::vector<std::shared_ptr<VirtualPhone>>& phones() const { return phones_; }

  std::optional<std::vector<platform::DeviceInterfaceRecord>> presentInterfaces(
      std::string_view interfaceClass) override;
  std::unique_ptr<platform::NoticeSubscription> subscribe(std::string_view interfaceClass,
                                                          std::function<void()> notice) override;
  void deliverNotices() override;
  platform::Opened<platform::DriverHandle> openDriver(const std::string& devicePath) override;
  platform::Opened<platform::SerialPort> openSerial(const std::string& devicePath) override;

  // Notices waiting for deliverNotices().
  bool noticesPending() const { return !pendingClasses_.empty(); }

 private:
  class Subscription;
  struct Appearance {
    std::uint32_t appearance = 0;
    std::uint32_t deviceInstance = 0;
  };

  void queueNotice(PhoneMode mode);
  std::uint32_t deviceInstanceOf(const VirtualPhone& phone);
  std::shared_ptr<VirtualPhone> phoneAt(const std::string& devicePath) const;

  VirtualClock& clock_;
  std::vector<std::shared_ptr<VirtualPhone>> phones_;
  std::map<const VirtualPhone*, Appearance> appearances_;
  std::uint32_t nextDeviceInstance_ = 0x1001;
  std::map<std::uint64_t, std::pair<std::string, std::function<void()>>> subscribers_;
  std::uint64_t nextSubscriber_ = 1;
  std::set<std::string> pendingClasses_;
};

}  // namespace vestrel::virtualphone
