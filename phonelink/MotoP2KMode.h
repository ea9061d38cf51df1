#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "phonelink/ModemFamily.h"
#include "phonelink/ModemItem.h"
#include "phonelink/P2KFileSystem.h"
#include "platform/DeviceClasses.h"

namespace vestrel::phonelink {

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
  // Once the phone has echoed a sequence number, a reply that echoes one of the commands sent
  // before (a late or repeated reply) is dropped and the wait goes on; one that echoes a number
  // never sent fails the command. After a command that got no reply, the replies waiting are
  // read and dropped before the next command goes out.
  bool ExecuteCommand(std::uint16_t command, std::span<const std::uint8_t> payload,
                      std::span<std::uint8_t> reply, std::uint16_t& replyLength);

  // Sends the probe command over control transfers and keeps cfoP2K when the phone answers it
  // with success, else switches to cfoP2K05.
  void ProbeCommandFormat();

  // Phone control (P2KControl.cpp). Each tests IsOpen, sends one command and reports
  // one line. Restart, PowerOff and the mode switches make the phone leave P2K mode.
  bool Restart();
  // True when the phone answered that it sleeps (reply byte 0); false when the command failed
  // or the reply carried no byte at all.
  bool IsSuspend();
  // true puts the phone to sleep (byte 0x00), false wakes it (byte 0x01).
  bool Suspend(bool sleep);
  bool PowerOff();
  bool SwitchToFlashMode();
  bool SwitchToTestMode();
  // A bare vendor control transfer, outside ExecuteCommand; true unless the driver wait failed.
  bool SwitchToATMode();

  // File-system layout (P2KFileSystem.cpp).
  // The volume names, one per line (CR LF between lines); `drives` is emptied first.
  bool GetDrives(std::string& drives);
  // Free bytes of the volume /<volume>; 0 on failure.
  std::int32_t GetFreeSpace(char volume);
  // Files matching "<folder>|<mask>"; 0 on failure.
  std::int32_t GetFileCount(std::string_view pattern);
  // Asks for `count` batches of entries; each entry goes to `callback` and is appended to
  // `list` when they are given. False only when closed or count < 1.
  bool GetFileList(std::int32_t count, std::vector<P2KFileRecord>* list,
                   const FileListCallback& callback);

  // File transfer (P2KFileTransfer.cpp). Read, write and close act on the file that
  // was opened last.
  bool FileOpen(std::string_view name, std::uint16_t attributes);
  // Asks for buffer.size() bytes (at most 4096). Returns the reply length, 0 on any failure or
  // error code (0x08: end of file). Never stores more than buffer.size() bytes; a result above
  // buffer.size() means the phone sent more than it was asked for.
  std::int32_t FileRead(std::span<std::uint8_t> buffer);
  // Writes at most 1024 bytes.
  bool FileWrite(std::span<const std::uint8_t> data);
  bool FileClose();
  bool FileDelete(std::string_view name);
  // Opening a file with attributes is what sets them; the file is closed again.
  bool FileSetAttribute(std::string_view name, std::uint16_t attributes);
  // Copies a phone file into `localPath` in blocks of `blockSize`; `total` is the file's size
  // as listed, handed to the callback, and tells a last one-byte block from an error code and
  // an empty file from a failed one. The local file is created first: a failure to create or write
  // it throws std::filesystem::filesystem_error. The local file is left in place in every case.
  bool FileDownload(std::string_view phoneName, const std::filesystem::path& localPath,
                    std::size_t blockSize, std::int64_t total, const ProgressCallback& progress);
  // Copies `localPath` to the phone in blocks of `blockSize`. A local file that cannot be
  // opened or read throws std::filesystem::filesystem_error. Stops at the first block the
  // phone does not take; a failed close fails the upload.
  bool FileUpload(const std::filesystem::path& localPath, std::string_view phoneName,
                  std::size_t blockSize, const ProgressCallback& progress);
  // The loops of FileDownload and FileUpload over any host side, with the same checks and
  // messages. `done` is the number of bytes handed to the sink or taken by the phone.
  CopyEnd CopyFromPhone(std::string_view phoneName, const BlockSink& sink, std::size_t blockSize,
                        std::int64_t total, const ProgressCallback& progress, std::int64_t& done);
  CopyEnd CopyToPhone(const BlockSource& source, std::int64_t size, std::string_view phoneName,
                      std::size_t blockSize, const ProgressCallback& progress, std::int64_t& done);

 private:
  // The variant byte of the FSAC word for this item's FSACOption.
  std::uint8_t FsacVariant() const { return fsacOption_ == fsacAP ? 1 : 0; }
  bool ExecuteOverControl(std::uint16_t command, std::span<const std::uint8_t> payload,
                          std::span<std::uint8_t> reply, std::uint16_t& replyLength);
  bool ExecuteOverBlocks(std::uint16_t command, std::span<const std::uint8_t> payload,
                         std::span<std::uint8_t> reply, std::uint16_t& replyLength);
  // FileRead; with `lastByte` (the one byte left of a file of known size) a one-byte reply is
  // that byte, not an error code.
  std::int32_t ReadBlock(std::span<std::uint8_t> buffer, bool lastByte);
  // Polls until the phone has a reply waiting; false past the deadline or on a stop request.
  bool AwaitReply(platform::DriverHandle& handle, std::uint32_t deadline);
  // Reads and drops the replies already waiting over control transfers (after a command that
  // got none, its reply may still come).
  void DropWaitingReplies(platform::DriverHandle& handle);
  // How a reply's echoed sequence number stands to the command just sent.
  enum class Echo { Ours, Stale, Foreign };
  Echo Judge(std::uint16_t echoed, std::uint16_t sequence, bool replyMayBeLate);
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
  // Sequence numbers are matched only once two replies in a row echoed their command's, so a
  // phone that leaves the field alone, or fills it with a value of its own, is driven as
  // before. Right after a command whose reply never came, a recent number marks a stale reply
  // whatever the phone showed so far.
  bool echoesSequence_ = false;
  int echoRun_ = 0;
  bool replyMissed_ = false;  // the last command got no reply; it may come late
  static constexpr std::size_t kRecentSequences = 16;
  std::array<std::uint16_t, kRecentSequences> recent_;  // the numbers sent before
  std::size_t recentAt_ = 0;
  bool outOfStep_ = false;       // the last command got no reply; one may still come
  bool readReachedEnd_ = false;  // the last FileRead got the end-of-file answer
};

struct P2KFamily {
  using Item = TMotoP2KModemItem;
  struct ModeSettings {
    TFSACOptions fsacOption = fsacBP;
  };
  static constexpr std::string_view kInterfaceClass = platform::kPhoneDriverClass;
  static constexpr std::string_view kNameFilter = "Test Command Interface";
  static constexpr std::string_view kAbout = "Vestrel phone link: phones in P2K command mode";

  // A new item takes the mode's FSACOption and its interface number from its device path.
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

}  // namespace vestrel::phonelink
