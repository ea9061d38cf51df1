#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "phonelink/ModemFamily.h"
#include "phonelink/ModemItem.h"
#include "platform/DeviceClasses.h"

namespace vestrel {

// File-system request variant.
enum TFSACOptions : std::uint8_t { fsacBP, fsacAP };

// Which USB interface carries the P2K commands: 8, 2, 1, or another one.
enum TCIInterfaceMode : std::uint8_t { tciE398, tciRizr, tciV3xx, tciCustom };

// How commands travel: vendor control transfers, or the driver's block write and read.
enum TCMDFormatOptions : std::uint8_t { cfoP2K, cfoP2K05 };

// One phone in P2K command mode. After OpenPhone has probed the phone's transport, every
// command goes through ExecuteCommand with the next sequence number.
class TMotoP2KModemItem final : public TDriverModemItem<TMotoP2KModemItem> {
 public:
  static constexpr std::size_t kWorkBufferSize = 8320;
  static constexpr std::size_t kMaxPayload = 4094;
  static constexpr std::uint16_t kProbeCommand = 0x0FFF;
  static constexpr std::uint32_t kReplyDeadlineMs = 40000;
  static constexpr std::uint32_t kBlockWaitMs = 10000;

  TMotoP2KModemItem(const PhoneLinkContext& context, TUSBDevice info);
  ~TMotoP2KModemItem() override;

  // Opens the device and probes which transport the phone answers.
  bool OpenPhone() override;

  TFSACOptions FSACOption() const { return fsacOption_; }
  void SetFSACOption(TFSACOptions option) { fsacOption_ = option; }
  TCIInterfaceMode GetTCIInterfaceMode() const { return interfaceMode_; }
  // tciE398, tciRizr and tciV3xx select interface 8, 2 and 1; tciCustom changes nothing.
  void SetTCIInterfaceMode(TCIInterfaceMode mode);
  TCMDFormatOptions CMDFormatOptions() const { return cmdFormat_; }
  void SetCMDFormatOptions(TCMDFormatOptions format) { cmdFormat_ = format; }
  std::uint16_t InterfaceNumber() const { return interfaceNumber_; }

  // Takes the interface number from the "&MI_xx" part of the device path.
  void ParseInterfaceNumber();
  void SetControlSetup(std::uint8_t requestType, std::uint8_t request, std::uint16_t value,
                       std::uint16_t interfaceNumber);

  // Sends one command and returns the phone's success flag. The reply data is copied into
  // `reply` (cut to its size) and its full length stored in `replyLength`. False, with
  // `replyLength` untouched, when the phone did not answer in time, the reply did not arrive
  // whole, the item is closed, or the payload exceeds kMaxPayload. Reports nothing.
  bool ExecuteCommand(std::uint16_t command, std::span<const std::uint8_t> payload,
                      std::span<std::uint8_t> reply, std::uint16_t& replyLength);

  // Sends the probe command over control transfers and keeps cfoP2K when the phone answers it
  // with success, else switches to cfoP2K05.
  void ProbeCommandFormat();

 private:
  bool ExecuteOverControl(std::uint16_t command, std::span<const std::uint8_t> payload,
                          std::span<std::uint8_t> reply, std::uint16_t& replyLength);
  bool ExecuteOverBlocks(std::uint16_t command, std::span<const std::uint8_t> payload,
                         std::span<std::uint8_t> reply, std::uint16_t& replyLength);
  // Polls until the phone has a reply waiting; false past the deadline.
  bool AwaitReply(platform::DriverHandle& handle);
  std::uint16_t NextSequence();

  platform::Clock& clock_;
  std::int32_t sequence_ = 1;
  TFSACOptions fsacOption_ = fsacBP;
  std::uint8_t requestType_ = 0x41;
  std::uint8_t request_ = 0x02;
  std::uint16_t requestValue_ = 0;
  std::uint16_t interfaceNumber_ = 8;
  TCIInterfaceMode interfaceMode_ = tciE398;
  TCMDFormatOptions cmdFormat_ = cfoP2K;
  std::vector<std::uint8_t> work_;
};

struct P2KFamily {
  using Item = TMotoP2KModemItem;
  struct ModeSettings {
    TFSACOptions fsacOption = fsacBP;
  };
  static constexpr std::string_view kInterfaceClass = platform::kPhoneDriverClass;
  static constexpr std::string_view kNameFilter = "Test Command Interface";
  static constexpr std::string_view kAbout = "Vestrel phone link: phones in P2K command mode";
  static constexpr bool kNoticesBeforeList = false;

  static std::shared_ptr<Item> MakeItem(const PhoneLinkContext& context, const TUSBDevice& info);
  static void PrepareNewItem(Item& item, const ModeSettings& settings);
};

using TMotoP2KModemList = TMotoModemList<P2KFamily>;
using TP2KNotifyEvent = TMotoMode<P2KFamily>::ArrivalEvent;
using TP2KDebugEvent = TMotoMode<P2KFamily>::DebugEvent;

// Watches for phones in P2K command mode.
class TMotoP2KMode final : public TMotoMode<P2KFamily> {
 public:
  using TMotoMode<P2KFamily>::TMotoMode;

  TFSACOptions FSACOption() const { return settings_.fsacOption; }
  // Applies to every present item and to every item found later.
  void SetFSACOption(TFSACOptions option);
};

}  // namespace vestrel
