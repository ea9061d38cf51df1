#include "platform/win32/Win32Bus.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <dbt.h>

#include <iterator>
#include <optional>
#include <vector>

#include "platform/DeviceClasses.h"
#include "platform/win32/DeviceSetup.h"
#include "platform/win32/Win32DriverHandle.h"
#include "platform/win32/Win32Error.h"
#include "platform/win32/Win32SerialPort.h"
#include "platform/win32/WinUsbDriverHandle.h"
#include "platform/win32/WinUsbPhones.h"

namespace vestrel::platform {

namespace {

constexpr const char* kWindowClass = "VestrelDeviceNotices";

// Marks the window's listener; the notice itself runs from deliverNotices().
LRESULT CALLBACK NoticeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DEVICECHANGE) {
    auto* listener =
        reinterpret_cast<Win32Bus::Listener*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (listener) listener->pending = true;
    return TRUE;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// The classes whose changes a subscription to `interfaceClass` hears; nullopt for a class that
// is not a braced GUID.
std::optional<std::vector<GUID>> NoticeClasses(std::string_view interfaceClass) {
  const auto klass = ParseInterfaceClass(interfaceClass);
  if (!klass) return std::nullopt;
  std::vector<GUID> classes{*klass};
  if (interfaceClass == kUsbDeviceClass) classes.push_back(*ParseInterfaceClass(kSerialPortClass));
  // A WinUSB installer's own class is not known beforehand; every USB device's arrival and
  // departure shows in the USB device class.
  if (interfaceClass == kPhoneDriverClass) {
    classes.push_back(*ParseInterfaceClass(kWinUsbPhoneClass));
    classes.push_back(*ParseInterfaceClass(kUsbDeviceClass));
  }
  return classes;
}

bool RegisterWindowClass() {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = NoticeWindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = kWindowClass;
  return RegisterClassA(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

// A hidden message-only window registered for the classes of one subscription; they end with
// it.
class Win32Bus::Subscription final : public NoticeSubscription {
 public:
  Subscription(Win32Bus& bus, HWND window) : bus_(bus), window_(window) {}
  ~Subscription() override {
    for (HDEVNOTIFY registration : registrations_) UnregisterDeviceNotification(registration);
    DestroyWindow(window_);
    if (id_) bus_.listeners_.erase(id_);
  }
  Subscription(const Subscription&) = delete;
  Subscription& operator=(const Subscription&) = delete;

  // False when the system refused the registration.
  bool registerFor(const GUID& klass) {
    DEV_BROADCAST_DEVICEINTERFACE_A filter{};
    filter.dbcc_size = sizeof(filter);
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = klass;
    HDEVNOTIFY registration =
        RegisterDeviceNotificationA(window_, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    if (registration) registrations_.push_back(registration);
    return registration != nullptr;
  }

  // The window's changes reach `notice` from deliverNotices() on.
  void listen(std::function<void()> notice) {
    id_ = bus_.nextListener_++;
    Listener& listener = bus_.listeners_[id_];
    listener.notice = std::move(notice);
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&listener));
  }

 private:
  Win32Bus& bus_;
  HWND window_;
  std::vector<HDEVNOTIFY> registrations_;
  std::uint64_t id_ = 0;
};

Win32Bus::Win32Bus(PhoneTable table) : table_(std::move(table)) {}
Win32Bus::~Win32Bus() = default;

std::optional<std::vector<DeviceInterfaceRecord>> Win32Bus::presentInterfaces(
    std::string_view interfaceClass) {
  if (interfaceClass == kPhoneDriverClass) return phoneDriverInterfaces();
  const auto klass = ParseInterfaceClass(interfaceClass);
  if (!klass) return std::nullopt;
  auto records = EnumeratePresentInterfaces(*klass);
  if (!records || interfaceClass != kUsbDeviceClass) return records;
  if (const auto ports = EnumeratePresentSerialPorts(*ParseInterfaceClass(kSerialPortClass))) {
    auto modems = ModemPortRecords(*ports, *records, table_);
    records->insert(records->end(), std::make_move_iterator(modems.begin()),
                    std::make_move_iterator(modems.end()));
  }
  return records;
}

std::optional<std::vector<DeviceInterfaceRecord>> Win32Bus::phoneDriverInterfaces() {
  auto records = EnumeratePresentInterfaces(*ParseInterfaceClass(kPhoneDriverClass));
  if (!records) return records;
  std::vector<GUID> classes = WinUsbInterfaceClasses();
  classes.insert(classes.begin(), *ParseInterfaceClass(kWinUsbPhoneClass));
  std::vector<DeviceInterfaceRecord> bound;
  for (const GUID& klass : classes) {
    if (auto members = EnumeratePresentInterfaces(klass)) {
      bound.insert(bound.end(), std::make_move_iterator(members->begin()),
                   std::make_move_iterator(members->end()));
    }
  }
  for (auto& phone : WinUsbPhoneRecords(bound, table_)) {
    winUsbPaths_.insert(phone.devicePath);
    records->push_back(std::move(phone));
  }
  return records;
}

std::unique_ptr<NoticeSubscription> Win32Bus::subscribe(std::string_view interfaceClass,
                                                        std::function<void()> notice) {
  const auto classes = NoticeClasses(interfaceClass);
  if (!classes || !RegisterWindowClass()) return nullptr;
  HWND window = CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  if (!window) return nullptr;
  auto subscription = std::make_unique<Subscription>(*this, window);
  for (const GUID& klass : *classes) {
    if (!subscription->registerFor(klass)) return nullptr;
  }
  subscription->listen(std::move(notice));
  return subscription;
}

// The device-change messages are sent to the windows from another thread, so a wait on the
// thread's queue for sent (and, to be safe, posted) messages wakes when one comes.
class Win32Bus::MessageQueueWatch final : public NoticeWatch {
 public:
  explicit MessageQueueWatch(Win32Bus& bus) : bus_(bus) {}

  int descriptor() const override { return -1; }
  void readable() override { bus_.takeNoticeMessages(); }
  bool wait(std::uint32_t timeoutMs) override {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
      if (bus_.takeNoticeMessages()) return true;
      const ULONGLONG now = GetTickCount64();
      if (now >= deadline) return false;
      // Wakes only for messages that came after the last look, so others left in the queue for
      // the thread's own loop do not make this spin.
      const DWORD woke = MsgWaitForMultipleObjects(
          0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_SENDMESSAGE | QS_POSTMESSAGE);
      if (woke == WAIT_FAILED) return false;
    }
  }

 private:
  Win32Bus& bus_;
};

std::unique_ptr<NoticeWatch> Win32Bus::watchNotices() {
  return std::make_unique<MessageQueueWatch>(*this);
}

bool Win32Bus::takeNoticeMessages() {
  // Any peek lets sent messages in; the filter leaves the rest of the thread's queue to its own
  // loop.
  MSG message;
  while (PeekMessageA(&message, nullptr, WM_DEVICECHANGE, WM_DEVICECHANGE, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  for (const auto& [id, listener] : listeners_) {
    if (listener.pending) return true;
  }
  return false;
}

void Win32Bus::deliverNotices() {
  takeNoticeMessages();
  // A notice may subscribe or unsubscribe; each pending one is taken by id, afresh.
  for (auto it = listeners_.begin(); it != listeners_.end();) {
    const std::uint64_t id = it->first;
    if (it->second.pending) {
      it->second.pending = false;
      auto notice = it->second.notice;
      notice();
    }
    it = listeners_.upper_bound(id);
  }
}

Opened<DriverHandle> Win32Bus::openDriver(const std::string& devicePath) {
  if (winUsbPaths_.contains(devicePath))
    return WinUsbDriverHandle::Open(devicePath, SystemWinUsb());
  return Win32DriverHandle::Open(devicePath);
}

Opened<SerialPort> Win32Bus::openSerial(const std::string& devicePath) {
  return Win32SerialPort::Open(devicePath);
}

}  // namespace vestrel::platform
