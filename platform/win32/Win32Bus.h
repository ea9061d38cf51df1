#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "platform/DeviceBus.h"
#include "platform/PhoneTable.h"

namespace vestrel::platform {

// The phones as Windows sees them: the device-setup functions list the present interfaces of a
// class; the phone driver's class also lists the P2K and flash interfaces bound to WinUSB (in
// the shipped INF's class, or in a class a generic WinUSB installer wrote), as WinUsbPhoneRecords
// makes them, and openDriver drives those through WinUSB and the rest through the maker's
// driver; a hidden message-only window per subscription receives its device-change notices, and
// the driver and modem ports open with CreateFile. The USB device class also lists the serial
// ports that `table` names as phone modems (a phone in AT mode on Windows' own serial driver),
// as ModemPortRecords makes them; its subscriptions hear the serial ports' changes too. Notices are
// only marked when the window hears them; deliverNotices() (the host's loop) pumps the windows and
// then calls the notices, so no notice runs inside a phone request. watchNotices() gives a watch
// without a descriptor whose wait() sleeps on the thread's message queue until a window hears a
// change (vestrel-cli's wait for a phone's new mode). Everything runs on the thread that made the
// bus.
class Win32Bus final : public DeviceBus {
 public:
  explicit Win32Bus(PhoneTable table);
  ~Win32Bus() override;
  Win32Bus(const Win32Bus&) = delete;
  Win32Bus& operator=(const Win32Bus&) = delete;

  std::optional<std::vector<DeviceInterfaceRecord>> presentInterfaces(
      std::string_view interfaceClass) override;
  std::unique_ptr<NoticeSubscription> subscribe(std::string_view interfaceClass,
                                                std::function<void()> notice) override;
  void deliverNotices() override;
  std::unique_ptr<NoticeWatch> watchNotices() override;
  Opened<DriverHandle> openDriver(const std::string& devicePath) override;
  Opened<SerialPort> openSerial(const std::string& devicePath) override;

  // One registration's notice and whether its window heard a change since the last delivery.
  struct Listener {
    std::function<void()> notice;
    bool pending = false;
  };

 private:
  class Subscription;
  class MessageQueueWatch;

  // Lets the windows' device-change messages in; true when some listener has a change pending.
  bool takeNoticeMessages();

  // The phone-driver-class records, WinUSB's among them, whose paths it remembers.
  std::optional<std::vector<DeviceInterfaceRecord>> phoneDriverInterfaces();

  PhoneTable table_;
  std::set<std::string> winUsbPaths_;  // WinUSB interfaces the last listings gave
  std::map<std::uint64_t, Listener> listeners_;
  std::uint64_t nextListener_ = 1;
};

}  // namespace vestrel::platform
