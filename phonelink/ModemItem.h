#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "phonelink/USBCtrls.h"
#include "platform/Clock.h"
#include "platform/DeviceBus.h"

namespace vestrel::phonelink {

enum TDebugType { dtInformation, dtError };

// What every item needs from the host: the bus to open its device on and the clock its
// time-outs are measured with. Both outlive the items.
struct PhoneLinkContext {
  platform::DeviceBus& bus;
  platform::Clock& clock;
};

template <class Item>
using TModemDebugEvent = std::function<void(Item& AItem, const std::string& ADebugText,
                                            TDebugType ADebugType, bool ASubError)>;

// The members all three families share: the device description, the debug handler, and the
// open/close frame. Item is the concrete family item (it derives from this class).
template <class Item>
class TMotoModemItem {
 public:
  using DebugEvent = TModemDebugEvent<Item>;

  explicit TMotoModemItem(TUSBDevice info) : modemInfo_(std::move(info)) {}
  virtual ~TMotoModemItem() = default;
  TMotoModemItem(const TMotoModemItem&) = delete;
  TMotoModemItem& operator=(const TMotoModemItem&) = delete;

  const TUSBDevice& ModemInfo() const { return modemInfo_; }
  const DebugEvent& OnDebugEvent() const { return onDebugEvent_; }
  void SetOnDebugEvent(DebugEvent handler) { onDebugEvent_ = std::move(handler); }

  // Reports one line to the debug handler, if one is set.
  virtual void DoDebug(const std::string& text, TDebugType type, bool subError) {
    if (onDebugEvent_) onDebugEvent_(static_cast<Item&>(*this), text, type, subError);
  }

  // True while the device is usable; otherwise runs ClosePhone first (which then reports its
  // failure when no handle is held). Every item operation begins with this test.
  virtual bool IsOpen() = 0;
  virtual bool OpenPhone() = 0;
  virtual bool ClosePhone() = 0;

  // The OS's reason the latest OpenPhone could not open the device; empty after a good open.
  // The debug lines stay as they are; front ends show this beside them.
  const platform::OsError& OpenError() const { return openError_; }

 protected:
  void SetOpenError(platform::OsError error) { openError_ = std::move(error); }

  // The concrete item's destructor calls this: an open item closes, a closed one still runs
  // the IsOpen test.
  void CloseOnDestroy() {
    if (IsOpen()) ClosePhone();
  }

 private:
  TUSBDevice modemInfo_;
  DebugEvent onDebugEvent_;
  platform::OsError openError_;
};

// The four texts an item reports when opening and closing its device.
struct OpenCloseTexts {
  std::string_view opened;
  std::string_view openFailed;
  std::string_view closed;
  std::string_view closeFailed;
};

// An item whose device is a handle of the phone's USB driver (P2K and flash mode).
template <class Item>
class TDriverModemItem : public TMotoModemItem<Item> {
 public:
  // The open driver handle; null while closed.
  platform::DriverHandle* Handle() const { return handle_.get(); }

  bool IsOpen() override {
    if (handle_) return true;
    ClosePhone();
    return false;
  }

  bool ClosePhone() override {
    if (handle_ && !handle_->close().failed()) {
      handle_.reset();
      this->DoDebug(std::string(texts_.closed), dtInformation, false);
      return true;
    }
    this->DoDebug(std::string(texts_.closeFailed), dtError, false);
    return false;
  }

 protected:
  TDriverModemItem(platform::DeviceBus& bus, TUSBDevice info, OpenCloseTexts texts)
      : TMotoModemItem<Item>(std::move(info)), bus_(bus), texts_(texts) {}

  // Opens the device path of ModemInfo and reports the outcome.
  bool OpenDevice() {
    auto opened = bus_.openDriver(this->ModemInfo().DevicePath);
    handle_ = std::move(opened.handle);
    this->SetOpenError(std::move(opened.error));
    if (!handle_) {
      this->DoDebug(std::string(texts_.openFailed), dtError, false);
      return false;
    }
    this->DoDebug(std::string(texts_.opened), dtInformation, false);
    return true;
  }

 private:
  platform::DeviceBus& bus_;
  OpenCloseTexts texts_;
  std::unique_ptr<platform::DriverHandle> handle_;
};

}  // namespace vestrel::phonelink
