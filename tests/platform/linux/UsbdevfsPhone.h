#pragma once

// A umockdev testbed holding USB phones whose usbfs nodes are served by the virtual phone: the
// ioctl handler turns every URB the real libusb backend submits back into a driver request of
// the virtual phone's own P2K or flash side, so the Linux backend drives the same phone the
// other tests use. Sysfs, the device nodes and the uevents are umockdev's. A phone in AT mode
// shows its modem as a tty below its interface, backed by a pty whose other end the rig holds.

#include <umockdev.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "platform/virtual/VirtualBus.h"
#include "tests/platform/linux/UrbQueue.h"

namespace vestrel::testing {

class UsbdevfsPhones {
 public:
  UsbdevfsPhones();
  ~UsbdevfsPhones();

  struct Plugged {
    std::shared_ptr<virtualphone::VirtualPhone> phone;
    std::string syspath;  // of the USB device
    std::string devnode;  // its usbfs node
    std::string ttyNode;  // AT mode: the modem's tty
    virtualphone::PhoneMode mode = virtualphone::PhoneMode::P2K;
    int port = 0;
    int devnum = 0;
  };

  // Plugs a phone as USB device 22b8:`product` at port 1-`port`, device number `devnum`: in
  // P2K or flash mode with the interface and bulk endpoints the virtual phone's mode uses, in
  // AT mode with a cdc_acm interface and its tty /dev/ttyACM<port>.
  Plugged plug(virtualphone::PhoneMode mode, std::uint16_t product, int port, int devnum);
  // Takes the phone's USB device and interfaces off the bus, with remove uevents.
  void unplug(const Plugged& plugged);
  // Follows a mode change the phone made itself (a command, a modem line): it leaves the bus
  // and comes back on the same port as the device of its new mode (22b8:4901 P2K, 4902 AT,
  // 4903 flash) with the next device number. Unchanged when the phone kept its mode.
  Plugged followModeChange(const Plugged& plugged);

  // AT mode: what the host wrote to the modem's tty so far (waiting up to `waitMs` for the
  // first byte), handed on to the phone's modem as its port would.
  std::string serveModem(const Plugged& plugged, int waitMs = 200);
  // AT mode: the phone's end of the tty goes away, as when the modem hangs up.
  void hangUp(const Plugged& plugged);

  // Claims fail with EBUSY while set, as when another program holds the interface.
  void setInterfaceBusy(bool busy) { interfaceBusy_ = busy; }
  // While set, a bulk read that got its data stays pending until the host discards it, as one
  // of whole packets does when the device sends no short packet to end it.
  void setBulkReadsHeldOpen(bool held) { bulkReadsHeldOpen_ = held; }
  // The next bulk read stalls: the phone's reply it would have carried is lost and the
  // endpoint stays halted until the host clears it.
  void stallNextBulkRead() { stallNextBulkRead_ = true; }

  UMockdevTestbed* testbed() const { return testbed_; }
  virtualphone::VirtualClock& clock() { return clock_; }

 private:
  struct Client {
    std::unique_ptr<platform::DriverHandle> handle;
    UrbQueue urbs;
    std::set<std::uint8_t> halted;  // bulk endpoints that stalled and were not cleared yet
  };

  static gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self);
  static gboolean onTtyIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer);
  static void onConnected(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self);
  static void onVanished(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self);
  bool handle(UMockdevIoctlClient* client);
  void submit(UMockdevIoctlClient* client, Client& state);
  // Where a phone of this port, device number and mode sits.
  Plugged placeOf(Plugged plugged) const;
  // Puts the phone's devices on the testbed, with add uevents; takes them off again.
  void attach(const Plugged& plugged, std::uint16_t product);
  void detach(const Plugged& plugged);
  static std::string interfaceOf(const Plugged& plugged);
  static std::string ttyOf(const Plugged& plugged);

  virtualphone::VirtualClock clock_;
  virtualphone::VirtualBus bus_{clock_};
  UMockdevTestbed* testbed_;
  UMockdevIoctlBase* handler_;
  UMockdevIoctlBase* ttyHandler_;
  std::mutex mutex_;  // the handler runs on umockdev's worker thread
  std::map<std::string, std::shared_ptr<virtualphone::VirtualPhone>> phonesByNode_;
  std::map<UMockdevIoctlClient*, Client> clients_;
  bool interfaceBusy_ = false;
  // Set from the test's thread, read on umockdev's worker thread.
  std::atomic<bool> bulkReadsHeldOpen_ = false;
  std::atomic<bool> stallNextBulkRead_ = false;
};

}  // namespace vestrel::testing
