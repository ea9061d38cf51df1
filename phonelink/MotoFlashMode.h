#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "phonelink/FlashFrames.h"
#include "phonelink/ModemFamily.h"
#include "phonelink/ModemItem.h"
#include "platform/DeviceClasses.h"

namespace vestrel::phonelink {

// Which command SaveMemory reads with.
enum TLoaderType : std::uint8_t { ltUseDUMP, ltUseREAD };

// A span of phone memory; Finish is the address of its last byte.
struct MemoryRange {
  std::uint32_t Start = 0;
  std::uint32_t Finish = 0;
};

// A frame the phone did not accept: its command word, and the address and byte count where the
// frame carries them.
struct FlashFrameFailure {
  std::string_view command;  // "ADDR", "JUMP", "BIN", "DUMP" or "READ"
  std::optional<std::uint32_t> address;
  std::optional<std::uint32_t> count;
};

// Told (done, total) between blocks of a long operation; may be empty. Its answer is ignored.
using FlashProgressCallback = std::function<bool(std::int32_t done, std::int32_t total)>;

// One phone in flash (boot loader) mode. Every report is also kept in LastError.
//
// Every driver request waits TimeOut milliseconds (6000 unless changed). Every frame but
// "POWER_DOWN" is followed by a reply read whatever became of its write, and the reply alone
// decides. "ADDR" and "BIN" need the phone's acknowledgement: a loader block the phone never
// confirmed is not taken for written, or the jump would start a loader with a hole. "JUMP" also
// passes on silence, as the boot loader hands the phone to the new loader there; the loader's
// first "READ" then shows whether it runs. Data replies must carry every byte asked for.
//
// A reply that did not come, or was not accepted, may still be on its way or be followed by
// others; before the next frame the item reads until the phone is silent (DrainReplies), so no
// reply is ever taken for that of a later request.
class TMotoFlashModemItem final : public TDriverModemItem<TMotoFlashModemItem> {
 public:
  static constexpr std::size_t kLoaderBlock = 8192;
  static constexpr std::size_t kSaveBlock = 256;
  static constexpr int kBlockAttempts = 2;

  TMotoFlashModemItem(const PhoneLinkContext& context, TUSBDevice info);
  ~TMotoFlashModemItem() override;

  bool OpenPhone() override;
  void DoDebug(const std::string& text, TDebugType type, bool subError) override;

  // Sends "POWER_DOWN"; no reply is read.
  bool PowerOff();
  bool SendAddr(std::uint32_t address);
  bool SendJump(std::uint32_t address);
  // At most 65,528 bytes.
  bool SendBin(std::span<const std::uint8_t> data);
  // Fill all of `destination` from phone memory at `address`; its size is the byte count (at
  // most 1024 for "DUMP", 1016 for "READ"). They return that count, or 0 having copied nothing.
  std::int32_t SendDump(std::uint32_t address, std::span<std::uint8_t> destination);
  std::int32_t SendRead(std::uint32_t address, std::span<std::uint8_t> destination);

  // Writes the loader at BaseAddr in blocks of kLoaderBlock, each after its own "ADDR", then
  // jumps to EntryAddr. LoaderType is set to `type` whatever the outcome.
  bool SendLoaderStream(std::istream* stream, TLoaderType type, FlashProgressCallback progress);
  bool SendLoader(const std::filesystem::path& fileName, TLoaderType type,
                  FlashProgressCallback progress);
  // Reads the range in blocks of at most kSaveBlock with the LoaderType command; a block never
  // asks for the count of the one before it, so a "READ" reply left over from that request
  // cannot pass for this one. A block that fails is asked for once more after the channel is
  // back in step. A range whose byte count is one more than a multiple of kSaveBlock is read
  // without its last byte (the PDS range relies on it). A range with Start above Finish is
  // refused without a request.
  bool SaveMemoryStream(MemoryRange range, std::ostream* stream, FlashProgressCallback progress);
  // Replaces the file; what was written stays on disk also after a failure.
  bool SaveMemory(MemoryRange range, const std::filesystem::path& fileName,
                  FlashProgressCallback progress);

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
  // The report of the last frame that was not accepted since SendLoaderStream or
  // SaveMemoryStream began ("Send BIN Failed"); empty when none failed.
  const std::string& LastFrameFailure() const { return lastFrameFailure_; }
  // The same frame's facts, for callers that word the failure themselves.
  const std::optional<FlashFrameFailure>& LastFailedFrame() const { return lastFailedFrame_; }

 private:
  // Sends a frame and reads its reply (empty when none came), first draining what an earlier
  // failed exchange may have left.
  flash::Reply Exchange(std::span<const std::uint8_t> frame);
  // Marks the channel out of step unless the reply came and was accepted.
  bool Judged(const flash::Reply& reply, bool accepted);
  // One block of SaveMemoryStream, with its one retry.
  std::int32_t ReadBlock(std::uint32_t address, std::span<std::uint8_t> destination);
  using DataRule = bool (*)(const flash::Reply&, std::size_t count);
  // Sends a "DUMP" or "READ" frame and fills `destination` from the reply at `offset`, when its
  // size is 1..limit and the reply delivers that many bytes.
  bool FetchData(std::span<const std::uint8_t> frame, std::size_t limit, DataRule delivers,
                 std::size_t offset, std::span<std::uint8_t> destination);
  // "ADDR" or "JUMP": the frame, then the report naming the word and the address.
  bool SendAcknowledged(std::string_view word, std::span<const std::uint8_t> frame,
                        std::uint32_t address);
  // Keeps the facts of a frame that was not accepted.
  void NoteFrame(bool ok, FlashFrameFailure frame);
  bool UploadLoader(std::istream& stream, std::int64_t size, const FlashProgressCallback& progress);

  std::uint32_t timeOut_ = 6000;
  TLoaderType loaderType_ = ltUseDUMP;
  std::uint32_t startBinary_ = 0x10000000;
  std::uint32_t baseAddr_ = 0x03FD0000;
  std::uint32_t entryAddr_ = 0x03FD0010;
  std::string lastError_;
  std::string lastFrameFailure_;
  std::optional<FlashFrameFailure> lastFailedFrame_;
  bool outOfStep_ = false;
};

struct FlashFamily {
  using Item = TMotoFlashModemItem;
  struct ModeSettings {};
  static void PrepareNewItem(Item&, const ModeSettings&) {}
  static constexpr std::string_view kInterfaceClass = platform::kPhoneDriverClass;
  static constexpr std::string_view kNameFilter = "Motorola Flash Interface";
  static constexpr std::string_view kAbout = "Vestrel phone link: phones in flash mode";
};

using TMotoFlashModemList = TMotoModemList<FlashFamily>;
using TFlashNotifyEvent = TMotoMode<FlashFamily>::ArrivalEvent;
using TFlashDebugEvent = TMotoMode<FlashFamily>::DebugEvent;

// Watches for phones in flash mode.
class TMotoFlashMode final : public TMotoMode<FlashFamily> {
 public:
  using TMotoMode<FlashFamily>::TMotoMode;
};

}  // namespace vestrel::phonelink
