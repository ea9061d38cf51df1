#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DriverHandle.h"
#include "platform/OsError.h"
#include "platform/SerialPort.h"

namespace vestrel::platform {

// One device registry property as the device-setup functions hand it out: text as 8-bit
// characters ending in a zero byte (a multi-string as several of them), numbers as 4 bytes,
// low byte first.
using PropertyBytes = std::vector<std::uint8_t>;

// One present device interface.
struct DeviceInterfaceRecord {
  std::uint32_t deviceInstance = 0;
  std::string devicePath;
  std::map<std::uint32_t, PropertyBytes> properties;  // by registry property code
};

// A registration for device-change notices; it ends when the object is destroyed.
class NoticeSubscription {
 public:
  virtual ~NoticeSubscription() = default;
};

// A host loop's wait on the OS's device-change events (DeviceBus::watchNotices). On a bus with a
// descriptor, while one lives, deliverNotices() and presentInterfaces() make no system call to
// look for changes: the bus reads the OS's events only when the loop says the descriptor turned
// readable; when the last one goes, the bus looks again on every call. A bus whose events come
// otherwise (Windows: window messages, which the windows' own loop lets in) gives a watch with
// no descriptor, for wait() alone. The bus must outlive it; one thread.
class NoticeWatch {
 public:
  virtual ~NoticeWatch() = default;
  // A file descriptor, owned by the bus, that turns readable when a device changed; -1 when the
  // bus has none to give (then only wait() is of use).
  virtual int descriptor() const = 0;
  // The loop saw the descriptor readable: reads what the OS has, never waiting, and queues the
  // notices of the classes that changed. The loop then calls deliverNotices().
  virtual void readable() = 0;
  // For a loop with nothing else to wait for: blocks until the descriptor turns readable (then
  // does what readable() does) or `timeoutMs` has passed. False when the time ran out.
  virtual bool wait(std::uint32_t timeoutMs) = 0;
};

// The devices on the host's USB bus, grouped by device-interface class (a GUID in text form,
// braces and upper case). The bus must outlive every subscription and handle it gave out.
class DeviceBus {
 public:
  virtual ~DeviceBus() = default;

  // The present interfaces of the class in enumeration order; nullopt when the class's device
  // set cannot be obtained. Members whose interface details cannot be read are left out.
  virtual std::optional<std::vector<DeviceInterfaceRecord>> presentInterfaces(
      std::string_view interfaceClass) = 0;

  // Calls `notice` for every device change of the class; null when the registration is refused.
  // Notices are queued and only delivered by deliverNotices(), never from inside a request.
  virtual std::unique_ptr<NoticeSubscription> subscribe(std::string_view interfaceClass,
                                                        std::function<void()> notice) = 0;

  // Delivers the queued notices; the host's event loop calls it.
  virtual void deliverNotices() = 0;

  // For a host loop that waits for device changes (the windows' socket notifier, the
  // command-line tool's waits for a phone): see NoticeWatch. Null when the bus has nothing to
  // wait on; its changes are then found by deliverNotices() alone (the virtual phone queues
  // them as they happen).
  virtual std::unique_ptr<NoticeWatch> watchNotices() { return nullptr; }

  // Opens a driver handle or a modem port by device path;
  // a null handle and the OS's reason when the open fails. Blocks only for the open itself.
  virtual Opened<DriverHandle> openDriver(const std::string& devicePath) = 0;
  virtual Opened<SerialPort> openSerial(const std::string& devicePath) = 0;
};

}  // namespace vestrel::platform
