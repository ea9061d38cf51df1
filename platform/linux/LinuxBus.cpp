#include "platform/linux/LinuxBus.h"

#include <fcntl.h>
#include <libudev.h>
#include <libusb.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>

#include "platform/DeviceClasses.h"
#include "platform/linux/LinuxErrors.h"
#include "platform/linux/TermiosSerialPort.h"
#include "platform/linux/UsbDriverHandle.h"
#include "platform/linux/UsbTopology.h"

namespace vestrel::platform {

namespace {

struct BulkEndpoints {
  std::optional<std::uint8_t> out;
  std::optional<std::uint8_t> in;
};

// The bulk endpoints of the interface's first setting in the active configuration.
BulkEndpoints bulkEndpointsOf(libusb_device_handle* handle, std::uint8_t interfaceNumber) {
  BulkEndpoints found;
  libusb_config_descriptor* config = nullptr;
  if (libusb_get_active_config_descriptor(libusb_get_device(handle), &config) != 0) return found;
  for (int i = 0; i < config->bNumInterfaces; ++i) {
    const libusb_interface& interface = config->interface[i];
    if (interface.num_altsetting < 1) continue;
    const libusb_interface_descriptor& setting = interface.altsetting[0];
    if (setting.bInterfaceNumber != interfaceNumber) continue;
    for (int e = 0; e < setting.bNumEndpoints; ++e) {
      const libusb_endpoint_descriptor& endpoint = setting.endpoint[e];
      if ((endpoint.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) != LIBUSB_TRANSFER_TYPE_BULK) {
        continue;
      }
      auto& slot = (endpoint.bEndpointAddress & LIBUSB_ENDPOINT_IN) ? found.in : found.out;
      if (!slot) slot = endpoint.bEndpointAddress;
    }
  }
  libusb_free_config_descriptor(config);
  return found;
}

std::set<std::uint32_t> instancesOf(const std::vector<DeviceInterfaceRecord>& records) {
  std::set<std::uint32_t> instances;
  for (const auto& record : records) instances.insert(record.deviceInstance);
  return instances;
}

}  // namespace

class LinuxBus::Subscription final : public NoticeSubscription {
 public:
  Subscription(LinuxBus& bus, std::uint64_t id) : bus_(bus), id_(id) {}
  ~Subscription() override { bus_.subscribers_.erase(id_); }

 private:
  LinuxBus& bus_;
  std::uint64_t id_;
};

class LinuxBus::Watch final : public NoticeWatch {
 public:
  explicit Watch(LinuxBus& bus) : bus_(bus) { ++bus_.watches_; }
  ~Watch() override { --bus_.watches_; }

  int descriptor() const override { return udev_monitor_get_fd(bus_.monitor_); }

  void readable() override {
    bus_.readMonitor();
    bus_.refreshRecords();
  }

  bool wait(std::uint32_t timeoutMs) override {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    pollfd watch{descriptor(), POLLIN, 0};
    // poll() may end a little early: the wait ends only once the deadline has passed.
    for (;;) {
      const auto left =
          std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return false;
      const int ready = ::poll(&watch, 1, static_cast<int>(std::min<long long>(left, INT_MAX)));
      if (ready > 0) break;
      if (ready < 0 && errno != EINTR) return false;
    }
    readable();
    return true;
  }

 private:
  LinuxBus& bus_;
};

std::unique_ptr<LinuxBus> LinuxBus::Open(PhoneTable table, OsError& error) {
  udev* context = udev_new();
  if (!context) {
    error = OsError::FromErrno(errno ? errno : ENOMEM);
    return nullptr;
  }
  udev_monitor* monitor = udev_monitor_new_from_netlink(context, "udev");
  if (!monitor || udev_monitor_filter_add_match_subsystem_devtype(monitor, "usb", nullptr) < 0 ||
      udev_monitor_filter_add_match_subsystem_devtype(monitor, "tty", nullptr) < 0 ||
      udev_monitor_enable_receiving(monitor) < 0) {
    error = OsError::FromErrno(errno ? errno : EIO);
    udev_monitor_unref(monitor);
    udev_unref(context);
    return nullptr;
  }
  return std::make_unique<LinuxBus>(std::move(table), context, monitor);
}

LinuxBus::LinuxBus(PhoneTable table, udev* context, udev_monitor* monitor)
    : table_(std::move(table)), udev_(context), monitor_(monitor) {
  // Reading the monitor must never wait.
  const int fd = udev_monitor_get_fd(monitor_);
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
}

LinuxBus::~LinuxBus() {
  if (libusb_) libusb_exit(libusb_);
  udev_monitor_unref(monitor_);
  udev_unref(udev_);
}

std::unique_ptr<NoticeWatch> LinuxBus::watchNotices() { return std::make_unique<Watch>(*this); }

void LinuxBus::lookForChanges() {
  if (watches_ == 0) readMonitor();
  refreshRecords();
}

void LinuxBus::readMonitor() {
  while (udev_device* device = udev_monitor_receive_device(monitor_)) {
    udev_device_unref(device);
    stale_ = true;
  }
}

void LinuxBus::refreshRecords() {
  if (!stale_) return;
  const bool first = records_.empty();  // the lists made at start-up hear of nothing
  auto before = records_;
  rebuild();
  if (first) return;
  for (const std::string_view cls : {kPhoneDriverClass, kUsbDeviceClass}) {
    const std::string key(cls);
    if (instancesOf(before[key]) != instancesOf(records_[key])) pendingClasses_.insert(key);
  }
}

void LinuxBus::rebuild() {
  stale_ = false;
  std::map<std::string, std::uint32_t> instances;
  records_.clear();
  records_[std::string(kPhoneDriverClass)];
  records_[std::string(kUsbDeviceClass)];
  for (auto& found : PhoneInterfacesOf(ScanUsbDevices(udev_), table_)) {
    // An interface keeps its device instance while it stays; one that comes back gets a new one.
    const auto kept = instances_.find(found.appearanceKey);
    const std::uint32_t instance = kept != instances_.end() ? kept->second : nextInstance_++;
    instances[found.appearanceKey] = instance;
    found.record.deviceInstance = instance;
    records_[found.interfaceClass].push_back(std::move(found.record));
  }
  instances_ = std::move(instances);
}

std::optional<std::vector<DeviceInterfaceRecord>> LinuxBus::presentInterfaces(
    std::string_view interfaceClass) {
  lookForChanges();
  const auto it = records_.find(std::string(interfaceClass));
  if (it == records_.end()) return std::vector<DeviceInterfaceRecord>{};
  return it->second;
}

std::unique_ptr<NoticeSubscription> LinuxBus::subscribe(std::string_view interfaceClass,
                                                        std::function<void()> notice) {
  const std::uint64_t id = nextSubscriber_++;
  subscribers_[id] = {std::string(interfaceClass), std::move(notice)};
  return std::make_unique<Subscription>(*this, id);
}

void LinuxBus::deliverNotices() {
  lookForChanges();
  while (!pendingClasses_.empty()) {
    const std::string cls = *pendingClasses_.begin();
    pendingClasses_.erase(pendingClasses_.begin());
    // A handler may subscribe or unsubscribe: call only those still registered.
    std::vector<std::uint64_t> due;
    for (const auto& [id, subscriber] : subscribers_) {
      if (subscriber.first == cls) due.push_back(id);
    }
    for (const auto id : due) {
      if (const auto it = subscribers_.find(id); it != subscribers_.end()) {
        auto notice = it->second.second;
        notice();
      }
    }
  }
}

OsError LinuxBus::startLibusb() {
  if (libusb_) return {};
  // Without device discovery libusb neither scans the bus nor starts its hot-plug thread.
  libusb_set_option(nullptr, LIBUSB_OPTION_NO_DEVICE_DISCOVERY);
  return LibusbError(libusb_init(&libusb_));
}

Opened<DriverHandle> LinuxBus::openDriver(const std::string& devicePath) {
  const auto path = ParseDriverPath(devicePath);
  if (!path) return {nullptr, OsError::FromErrno(ENOENT)};
  if (OsError error = startLibusb(); error.failed()) return {nullptr, error};
  const int fd = ::open(path->node.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return {nullptr, OpenFailure(errno, path->node)};
  libusb_device_handle* handle = nullptr;
  if (const int r = libusb_wrap_sys_device(libusb_, fd, &handle); r != 0) {
    ::close(fd);
    return {nullptr, LibusbError(r)};
  }
  // The kernel driver, if any, is detached from this interface only and given it back on close.
  libusb_set_auto_detach_kernel_driver(handle, 1);
  if (const int r = libusb_claim_interface(handle, path->interfaceNumber); r != 0) {
    libusb_close(handle);
    ::close(fd);
    return {nullptr, ClaimFailure(r, path->node)};
  }
  const BulkEndpoints bulk = bulkEndpointsOf(handle, path->interfaceNumber);
  return {std::make_unique<UsbDriverHandle>(libusb_, fd, handle, path->interfaceNumber, bulk.out,
                                            bulk.in),
          {}};
}

Opened<SerialPort> LinuxBus::openSerial(const std::string& devicePath) {
  return TermiosSerialPort::Open(devicePath);
}

}  // namespace vestrel::platform
