#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/DeviceBus.h"
#include "platform/PhoneTable.h"
#include "platform/linux/PhoneRecords.h"

struct udev;
struct udev_monitor;
struct libusb_context;

namespace vestrel::platform {

// Real phones on a Linux host. libudev finds them (the `usb` and `tty` subsystems, recognised by
// the phone table) and one udev monitor hears about changes. The monitor is read only when the
// host asks (presentInterfaces, deliverNotices, or a NoticeWatch's readable/wait), never inside
// a request, and the records are rebuilt from sysfs only after it reported something. Polling
// the lists costs one non-blocking read of the monitor per call, and nothing at all while a
// NoticeWatch lives (the loop then waits on the monitor's descriptor). libusb, without device
// discovery and so without threads of its own, opens the usbfs nodes. Runs on one thread.
class LinuxBus final : public DeviceBus {
 public:
  // Null and the reason when udev cannot be reached.
  static std::unique_ptr<LinuxBus> Open(PhoneTable table, OsError& error);
  ~LinuxBus() override;

  std::optional<std::vector<DeviceInterfaceRecord>> presentInterfaces(
      std::string_view interfaceClass) override;
  std::unique_ptr<NoticeSubscription> subscribe(std::string_view interfaceClass,
                                                std::function<void()> notice) override;
  void deliverNotices() override;
  // The monitor's descriptor.
  std::unique_ptr<NoticeWatch> watchNotices() override;
  Opened<DriverHandle> openDriver(const std::string& devicePath) override;
  Opened<SerialPort> openSerial(const std::string& devicePath) override;

  LinuxBus(PhoneTable table, udev* context, udev_monitor* monitor);

 private:
  class Subscription;
  class Watch;

  // Reads the monitor unless a watch waits on it, then refreshes the records.
  void lookForChanges();
  // Takes every event the monitor holds, without waiting.
  void readMonitor();
  // After an event rebuilds the records and queues a notice for every class whose interfaces
  // changed.
  void refreshRecords();
  void rebuild();
  OsError startLibusb();

  PhoneTable table_;
  udev* udev_;
  udev_monitor* monitor_;
  libusb_context* libusb_ = nullptr;
  bool stale_ = true;
  int watches_ = 0;                                                    // NoticeWatches alive
  std::map<std::string, std::vector<DeviceInterfaceRecord>> records_;  // by interface class
  std::map<std::string, std::uint32_t> instances_;                     // by appearance key
  std::uint32_t nextInstance_ = 1;
  std::map<std::uint64_t, std::pair<std::string, std::function<void()>>> subscribers_;
  std::uint64_t nextSubscriber_ = 1;
  std::set<std::string> pendingClasses_;
};

}  // namespace vestrel::platform
