#include "platform/win32/Win32Bus.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <dbt.h>

#include "platform/win32/DeviceSetup.h"
#include "platform/win32/Win32DriverHandle.h"
#include "platform/win32/Win32Error.h"
#include "platform/win32/Win32SerialPort.h"

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

bool RegisterWindowClass() {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = NoticeWindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = kWindowClass;
  return RegisterClassA(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

// A hidden message-only window registered for one interface class; both end with it.
class Win32Bus::Subscription final : public NoticeSubscription {
 public:
  Subscription(Win32Bus& bus, std::uint64_t id, HWND window, HDEVNOTIFY registration)
      : bus_(bus), id_(id), window_(window), registration_(registration) {}
  ~Subscription() override {
    UnregisterDeviceNotification(registration_);
    DestroyWindow(window_);
    bus_.listeners_.erase(id_);
  }
  Subscription(const Subscription&) = delete;
  Subscription& operator=(const Subscription&) = delete;

 private:
  Win32Bus& bus_;
  std::uint64_t id_;
  HWND window_;
  HDEVNOTIFY registration_;
};

Win32Bus::Win32Bus() = default;
Win32Bus::~Win32Bus() = default;

std::optional<std::vector<DeviceInterfaceRecord>> Win32Bus::presentInterfaces(
    std::string_view interfaceClass) {
  const auto klass = ParseInterfaceClass(interfaceClass);
  if (!klass) return std::nullopt;
  return EnumeratePresentInterfaces(*klass);
}

std::unique_ptr<NoticeSubscription> Win32Bus::subscribe(std::string_view interfaceClass,
                                                        std::function<void()> notice) {
  const auto klass = ParseInterfaceClass(interfaceClass);
  if (!klass || !RegisterWindowClass()) return nullptr;
  HWND window = CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  if (!window) return nullptr;
  DEV_BROADCAST_DEVICEINTERFACE_A filter{};
  filter.dbcc_size = sizeof(filter);
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid = *klass;
  HDEVNOTIFY registration =
      RegisterDeviceNotificationA(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
  if (!registration) {
    DestroyWindow(window);
    return nullptr;
  }
  const std::uint64_t id = nextListener_++;
  Listener& listener = listeners_[id];
  listener.notice = std::move(notice);
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&listener));
  return std::make_unique<Subscription>(*this, id, window, registration);
}

void Win32Bus::deliverNotices() {
  // Device-change messages are sent to the windows, and any peek lets sent messages in; the
  // filter leaves the rest of the thread's queue to its own loop.
  MSG message;
  while (PeekMessageA(&message, nullptr, WM_DEVICECHANGE, WM_DEVICECHANGE, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
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
  return Win32DriverHandle::Open(devicePath);
}

Opened<SerialPort> Win32Bus::openSerial(const std::string& devicePath) {
  return Win32SerialPort::Open(devicePath);
}

}  // namespace vestrel::platform
