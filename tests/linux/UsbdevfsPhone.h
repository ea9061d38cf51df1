#pragma once

// A umockdev testbed holding USB phones whose usbfs nodes are served by the virtual phone: the
// ioctl handler turns every URB the real libusb backend submits back into a driver request of
// the virtual phone's own P2K or flash side, so the Linux backend drives the same phone the
// other tests use. Sysfs, the device nodes and the uevents are umockdev's.

#include <umockdev.h>

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/virtual/VirtualBus.h"

namespace vestrel::testing {

class UsbdevfsPhones {
 public:
  UsbdevfsPhones();
  ~UsbdevfsPhones();

  struct Plugged {
    std::shared_ptr<virtualphone::VirtualPhone> phone;
    std::string syspath;  // of the USB device
    std::string devnode;  // its usbfs node
  };

  // Plugs a phone in P2K or flash mode as USB device 22b8:`product` at port 1-`port`, device
  // number `devnum`, with the interface and bulk endpoints the virtual phone's mode uses.
  Plugged plug(virtualphone::PhoneMode mode, std::uint16_t product, int port, int devnum);
  // Takes the phone's USB device and interfaces off the bus, with remove uevents.
  void unplug(const Plugged& plugged);

  // Claims fail with EBUSY while set, as when another program holds the interface.
  void setInterfaceBusy(bool busy) { interfaceBusy_ = busy; }

  UMockdevTestbed* testbed() const { return testbed_; }
  virtualphone::VirtualClock& clock() { return clock_; }

 private:
  struct Urb {
    UMockdevIoctlData* data;  // holds a reference
  };
  struct Client {
    std::unique_ptr<platform::DriverHandle> handle;
    std::deque<Urb> done;
    std::deque<Urb> waiting;  // no answer yet: completes only when discarded
  };

  static gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self);
  static void onConnected(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self);
  static void onVanished(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self);
  bool handle(UMockdevIoctlClient* client);
  void submit(UMockdevIoctlClient* client, Client& state);
  void reap(UMockdevIoctlClient* client, Client& state);
  void discard(UMockdevIoctlClient* client, Client& state);

  virtualphone::VirtualClock clock_;
  virtualphone::VirtualBus bus_{clock_};
  UMockdevTestbed* testbed_;
  UMockdevIoctlBase* handler_;
  std::mutex mutex_;  // the handler runs on umockdev's worker thread
  std::map<std::string, std::shared_ptr<virtualphone::VirtualPhone>> phonesByNode_;
  std::map<UMockdevIoctlClient*, Client> clients_;
  bool interfaceBusy_ = false;
};

}  // namespace vestrel::testing
