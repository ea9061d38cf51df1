#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "phonelink/ModemFamily.h"
#include "phonelink/ModemItem.h"
#include "platform/DeviceClasses.h"

namespace vestrel {

// Which command SaveMemory reads with.
enum TLoaderType : std::uint8_t { ltUseDUMP, ltUseREAD };

// One phone in flash (boot loader) mode. Every report is also kept in LastError.
class TMotoFlashModemItem final : public TDriverModemItem<TMotoFlashModemItem> {
 public:
  TMotoFlashModemItem(const PhoneLinkContext& context, TUSBDevice info);
  ~TMotoFlashModemItem() override;

  bool OpenPhone() override;
  void DoDebug(const std::string& text, TDebugType type, bool subError) override;

  std::uint32_t TimeOut() const { return timeOut_; }
  void SetTimeOut(std::uint32_t ms) { timeOut_ = ms; }
  TLoaderType LoaderType() const { return loaderType_; }
  void SetLoaderType(TLoaderType type) { loaderType_ = type; }
  std::uint32_t StartBinary() const { return startBinary_; }
  void SetStartBinary(std::uint32_t address) { startBinary_ = address; }
  std::uint32_t BaseAddr() const { return baseAddr_; }
  void SetBaseAddr(std::uint32_t address) { baseAddr_ = address; }
  std::uint32_t EntryAddr() const { return entryAddr_; }
  void SetEntryAddr(std::uint32_t address) { entryAddr_ = address; }
  const std::string& LastError() const { return lastError_; }

 private:
  std::uint32_t timeOut_ = 6000;
  TLoaderType loaderType_ = ltUseDUMP;
  std::uint32_t startBinary_ = 0x10000000;
  std::uint32_t baseAddr_ = 0x03FD0000;
  std::uint32_t entryAddr_ = 0x03FD0010;
  std::string lastError_;
};

struct FlashFamily {
  using Item = TMotoFlashModemItem;
  struct ModeSettings {};
  static constexpr std::string_view kInterfaceClass = platform::kPhoneDriverClass;
  static constexpr std::string_view kNameFilter = "Motorola Flash Interface";
  static constexpr std::string_view kAbout = "Vestrel phone link: phones in flash mode";
  static constexpr bool kNoticesBeforeList = false;

  static std::shared_ptr<Item> MakeItem(const PhoneLinkContext& context, const TUSBDevice& info) {
    return std::make_shared<Item>(context, info);
  }
  static void PrepareNewItem(Item&, const ModeSettings&) {}
};

using TMotoFlashModemList = TMotoModemList<FlashFamily>;
using TFlashNotifyEvent = TMotoMode<FlashFamily>::ArrivalEvent;
using TFlashDebugEvent = TMotoMode<FlashFamily>::DebugEvent;

// Watches for phones in flash mode.
class TMotoFlashMode final : public TMotoMode<FlashFamily> {
 public:
  using TMotoMode<FlashFamily>::TMotoMode;
};

}  // namespace vestrel
