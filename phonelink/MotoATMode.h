#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "phonelink/ModemFamily.h"
#include "phonelink/ModemItem.h"
#include "platform/DeviceClasses.h"
#include "platform/SerialPort.h"

namespace vestrel::phonelink {

// One phone in AT (modem) mode, its modem opened as an overlapped serial port.
class TMotoATModemItem final : public TMotoModemItem<TMotoATModemItem> {
 public:
  TMotoATModemItem(const PhoneLinkContext& context, TUSBDevice info);
  ~TMotoATModemItem() override;

  // The open port; null while closed.
  platform::SerialPort* Handle() const { return port_.get(); }

  // Open only while the port's settings can be read and carry a baud rate other than 0.
  bool IsOpen() override;
  bool OpenPhone() override;
  bool ClosePhone() override;

  std::uint32_t TimeOut() const { return timeOut_; }
  // Applies the read and write time-out to the port; kept only once the port reads it back.
  void SetTimeOut(std::uint32_t ms);

  // Overlapped write, complete when it returns; the bytes written, 0 on failure. Needs only a
  // held port, not IsOpen.
  std::uint32_t WriteData(std::span<const std::uint8_t> data);
  // Writes the command line followed by CR LF; true when any byte was written.
  bool SendCommand(std::string_view command);
  // 0: back to P2K mode ("AT+Mode=8"); 1 and 2: "AT+Mode=22" and "AT+Mode=24". Any other mode
  // sends and reports nothing.
  void SwitchMode(std::uint8_t mode);

 private:
  platform::DeviceBus& bus_;
  std::unique_ptr<platform::SerialPort> port_;
  std::uint32_t timeOut_ = 100;
};

struct ATFamily {
  using Item = TMotoATModemItem;
  struct ModeSettings {};
  static void PrepareNewItem(Item&, const ModeSettings&) {}
  static constexpr std::string_view kInterfaceClass = platform::kUsbDeviceClass;
  static constexpr std::string_view kNameFilter = "Motorola USB Modem";
  static constexpr std::string_view kAbout = "Vestrel phone link: phones in AT modem mode";
};

using TMotoATModemList = TMotoModemList<ATFamily>;
using TATNotifyEvent = TMotoMode<ATFamily>::ArrivalEvent;
using TATDebugEvent = TMotoMode<ATFamily>::DebugEvent;

// Watches for phones in AT modem mode.
class TMotoATMode final : public TMotoMode<ATFamily> {
 public:
  using TMotoMode<ATFamily>::TMotoMode;
};

}  // namespace vestrel::phonelink
