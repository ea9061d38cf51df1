#pragma once

#include <QIcon>
#include <QString>
#include <cstdint>
#include <functional>

namespace vestrel::desktop {

// The shell's notify codes.
enum class NotifyCode : std::uint32_t { Add = 0, Modify = 1, Delete = 2 };

// Flag values of the notify record.
constexpr std::uint32_t kNifMessage = 1;
constexpr std::uint32_t kNifIcon = 2;
constexpr std::uint32_t kNifTip = 4;

// The message the area sends to the icon's window for mouse events (the first user
// message plus one), and the mouse messages it carries.
constexpr std::uint32_t kTrayCallbackMessage = 0x401;
constexpr std::uintptr_t kLeftButtonUp = 0x202;
constexpr std::uintptr_t kLeftButtonDoubleClick = 0x203;
constexpr std::uintptr_t kRightButtonUp = 0x205;

constexpr int kTipCapacity = 64;

// What receives the area's callback messages for one icon.
class TrayMessageWindow {
 public:
  virtual ~TrayMessageWindow() = default;
  // `lParam` carries the mouse message for the callback message.
  virtual void TrayMessage(std::uint32_t message, std::uintptr_t wParam, std::uintptr_t lParam) = 0;
};

// The notify record in the layout of the first shell version: 88 bytes, a 64-character tip.
struct NotifyIconRecord {
  std::uint32_t cbSize = 88;
  TrayMessageWindow* hWnd = nullptr;  // not owned; outlives the icon
  std::uintptr_t uID = 0;
  std::uint32_t uFlags = 0;
  std::uint32_t uCallbackMessage = kTrayCallbackMessage;
  QIcon hIcon;
  QString szTip;  // at most kTipCapacity - 1 characters
};

// The desktop's notification area.
class TrayArea {
 public:
  virtual ~TrayArea() = default;
  // False where the desktop offers no notification area.
  virtual bool Available() = 0;
  // Adds, changes or removes the icon the record names (by window and identifier); the
  // record's flags say which of message, icon and tip are valid. False when the area refused,
  // as for a second add of the same icon or a delete of a missing one.
  virtual bool Notify(NotifyCode code, const NotifyIconRecord& record) = 0;
  // `changed` is called from the event loop whenever a notification area appears or goes
  // (Available() then tells which); it replaces an earlier one. Icons added before the area
  // went are gone with it.
  virtual void SetOnAvailabilityChanged(std::function<void()> changed) = 0;
};

}  // namespace vestrel::desktop
