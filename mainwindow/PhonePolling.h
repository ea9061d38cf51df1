#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "phonelink/PhoneLink.h"

namespace vestrel::mainwindow {

// The images of the notification-area icon, by what a polling pass found open.
enum TrayImage : int {
  kImageP2KOpen = 0,
  kImageNoPhone = 1,
  kImageFlashOpen = 2,
  kImageATOpen = 3,
};

// The line of a mode's list, `listed` lines long, whose phone is that mode's current one: the
// first, or -1 when none is listed. The window and vestrel-cli both use only that phone.
inline int CurrentLine(int listed) { return listed > 0 ? 0 : -1; }

// The current phone of each mode and what the main window shows of them, without Qt.
//
// The current phone of a mode is the watcher's item at the selected line of that mode's list
// (always the first line after an update), so a second phone of a mode is never used. The
// watchers belong to the main window and outlive this object; so does the bus.
//
// A pass rebuilds a mode's lines only after a device-change notice for its class, since the
// bus lists the same devices until one arrives; with nothing changed a pass causes no device
// traffic and no enumeration. Where the bus refuses notices every pass refreshes. Each notice
// is handed on to the window (SetOnNotice), which runs a pass for it.
class PhonePolling {
 public:
  // What one pass decided.
  struct Outcome {
    bool p2kListed = false;          // the phone controls are usable
    std::optional<bool> atPortOpen;  // set only while there is a current AT phone
    int trayImage = kImageNoPhone;
    // A current phone would not open, or a list cannot be told of changes: a later pass may
    // find something new without a notice.
    bool tryAgain = false;
  };

  PhonePolling(platform::DeviceBus& bus, phonelink::TMotoP2KMode& p2k,
               phonelink::TMotoFlashMode& flash, phonelink::TMotoATMode& at);
  PhonePolling(const PhonePolling&) = delete;
  PhonePolling& operator=(const PhonePolling&) = delete;

  // One pass: delivers the bus's queued notices, updates the AT, P2K and flash lists in that
  // order (each opening its current phone) and chooses the tray image: a P2K phone outranks a
  // flash phone, which outranks an AT phone. Blocks only as long as opening a phone does.
  Outcome Pass();

  // Called for each device-change notice of the three classes, on the thread that delivers
  // them, also from inside Pass(); the handler must not run a pass from inside it.
  void SetOnNotice(std::function<void()> handler) { onNotice_ = std::move(handler); }

  // The steps the window's actions use: a current phone is opened only when there is one.
  void UpdateATList();
  void UpdateP2KList();
  void UpdateFlashList();
  void OpenCurrentP2K();
  void OpenCurrentFlash();
  void OpenCurrentAT();

  // The current phone of a mode; null when its list is empty or the selection lies outside
  // the watcher's list. The pointer keeps the item alive while the caller holds it.
  std::shared_ptr<phonelink::TMotoP2KModemItem> CurrentP2K() const;
  std::shared_ptr<phonelink::TMotoFlashModemItem> CurrentFlash() const;
  std::shared_ptr<phonelink::TMotoATModemItem> CurrentAT() const;

  // One line per listed phone (its location information), in the watcher's order.
  const std::vector<std::string>& P2KLines() const { return p2k_.lines; }
  const std::vector<std::string>& FlashLines() const { return flash_.lines; }
  const std::vector<std::string>& ATLines() const { return at_.lines; }

 private:
  template <class Mode>
  struct Watched {
    explicit Watched(Mode& watcher) : mode(watcher) {}
    Mode& mode;
    std::unique_ptr<platform::NoticeSubscription> notices;
    bool changed = true;
    std::vector<std::string> lines;
    int selected = -1;
  };

  template <class Mode>
  void Watch(platform::DeviceBus& bus, Watched<Mode>& watched, std::string_view interfaceClass);
  template <class Mode>
  static void UpdateList(Watched<Mode>& watched);
  template <class Mode>
  static auto Current(const Watched<Mode>& watched);

  platform::DeviceBus& bus_;
  Watched<phonelink::TMotoP2KMode> p2k_;
  Watched<phonelink::TMotoFlashMode> flash_;
  Watched<phonelink::TMotoATMode> at_;
  std::function<void()> onNotice_;
};

}  // namespace vestrel::mainwindow
