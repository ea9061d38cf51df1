#include "phonelink/MotoP2KMode.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <utility>

#include "phonelink/Bytes.h"
#include "phonelink/DriverRequests.h"
#include "phonelink/MotoSysUtils.h"

namespace vestrel::phonelink {

namespace {

constexpr OpenCloseTexts kTexts{"Open Phone", "Open Phone is Failed", "Close Phone",
                                "Close Phone is Failed"};

// Request header sizes of the two transports (before the payload).
constexpr std::size_t kControlRequestHeader = 16;
constexpr std::size_t kBlockRequestHeader = 12;

// Where the flag, the length and the data sit in each transport's reply.
struct ReplyLayout {
  std::size_t flagAt;
  std::size_t lengthAt;
  std::size_t dataAt;
};
constexpr ReplyLayout kControlReply{4, 14, 18};  // from the start of the driver's output
constexpr ReplyLayout kBlockReply{5, 10, 12};    // after the driver's 4 bytes
// Where a control reply echoes its command's sequence number (a block reply: at its start).
constexpr std::size_t kControlEchoAt = 8;
constexpr std::uint16_t kNoSequence = 0xFFFF;  // above every number sent

// Takes the reply apart. A reply shorter than its header, or shorter than the length it
// declares, did not arrive whole and fails the command.
bool ParseReply(std::span<const std::uint8_t> received, const ReplyLayout& layout,
                std::span<std::uint8_t> reply, std::uint16_t& replyLength) {
  if (received.size() < layout.dataAt) return false;
  const std::uint16_t declared = bytes::LoadBe16(received.subspan(layout.lengthAt));
  const auto data = received.subspan(layout.dataAt);
  if (declared > data.size()) return false;
  replyLength = declared;
  std::copy_n(data.begin(), std::min<std::size_t>(declared, reply.size()), reply.begin());
  return received[layout.flagAt] != 0;
}

}  // namespace

TMotoP2KModemItem::TMotoP2KModemItem(const PhoneLinkContext& context, TUSBDevice info)
    : TDriverModemItem(context.bus, std::move(info), kTexts),
      clock_(context.clock),
      work_(kWorkBufferSize, 0) {
  recent_.fill(kNoSequence);
}

TMotoP2KModemItem::~TMotoP2KModemItem() { CloseOnDestroy(); }

bool TMotoP2KModemItem::OpenPhone() {
  if (IsOpen()) return true;
  if (!OpenDevice()) return false;
  ProbeCommandFormat();
  return true;
}

void TMotoP2KModemItem::SetTCIInterfaceMode(TCIInterfaceMode mode) {
  switch (mode) {
    case tciE398:
      SetControlSetup(0x41, 2, 0, 8);
      break;
    case tciRizr:
      SetControlSetup(0x41, 2, 0, 2);
      break;
    case tciV3xx:
      SetControlSetup(0x41, 2, 0, 1);
      break;
    case tciCustom:
      break;
  }
}

void TMotoP2KModemItem::ParseInterfaceNumber() {
  // The polling pass calls this on every tick, so the path is searched in place.
  const std::string& path = ModemInfo().DevicePath;
  const auto upper = [](char c) { return std::toupper(static_cast<unsigned char>(c)); };
  constexpr std::string_view kMarker = "&MI_";
  const auto marker = std::search(path.begin(), path.end(), kMarker.begin(), kMarker.end(),
                                  [&](char a, char b) { return upper(a) == b; });
  // Without the marker the digits are looked for at the fourth and fifth place of the path.
  const std::size_t at = marker == path.end() ? 3 : (marker - path.begin()) + kMarker.size();
  const std::string_view digits = at < path.size() ? std::string_view(path).substr(at, 2) : "";
  SetControlSetup(0x41, 2, 0, static_cast<std::uint16_t>(HexToIntDef(digits, 0)));
}

void TMotoP2KModemItem::SetControlSetup(std::uint8_t requestType, std::uint8_t request,
                                        std::uint16_t value, std::uint16_t interfaceNumber) {
  requestType_ = requestType;
  request_ = request;
  requestValue_ = value;
  interfaceNumber_ = interfaceNumber;
  switch (interfaceNumber) {
    case 8:
      interfaceMode_ = tciE398;
      break;
    case 2:
      interfaceMode_ = tciRizr;
      break;
    case 1:
      interfaceMode_ = tciV3xx;
      break;
    default:
      interfaceMode_ = tciCustom;
      break;
  }
}

std::uint16_t TMotoP2KModemItem::NextSequence() {
  recent_[recentAt_] = static_cast<std::uint16_t>(sequence_);
  recentAt_ = (recentAt_ + 1) % kRecentSequences;
  if (++sequence_ > 0xFF5) sequence_ = 0;
  return static_cast<std::uint16_t>(sequence_);
}

TMotoP2KModemItem::Echo TMotoP2KModemItem::Judge(std::uint16_t echoed, std::uint16_t sequence,
                                                 bool replyMayBeLate) {
  if (echoed == sequence) {
    if (++echoRun_ >= 2) echoesSequence_ = true;
    return Echo::Ours;
  }
  echoRun_ = 0;
  if (echoesSequence_ || replyMayBeLate) {
    for (const std::uint16_t earlier : recent_) {
      if (earlier == echoed) return Echo::Stale;
    }
  }
  return echoesSequence_ ? Echo::Foreign : Echo::Ours;
}

bool TMotoP2KModemItem::ExecuteCommand(std::uint16_t command, std::span<const std::uint8_t> payload,
                                       std::span<std::uint8_t> reply, std::uint16_t& replyLength) {
  if (payload.size() > kMaxPayload || Handle() == nullptr) return false;
  return cmdFormat_ == cfoP2K ? ExecuteOverControl(command, payload, reply, replyLength)
                              : ExecuteOverBlocks(command, payload, reply, replyLength);
}

bool TMotoP2KModemItem::ExecuteOverControl(std::uint16_t command,
                                           std::span<const std::uint8_t> payload,
                                           std::span<std::uint8_t> reply,
                                           std::uint16_t& replyLength) {
  platform::DriverHandle& handle = *Handle();
  const bool replyMayBeLate = std::exchange(replyMissed_, false);
  if (outOfStep_) DropWaitingReplies(handle);
  const std::uint16_t sequence = NextSequence();
  std::fill(work_.begin(), work_.end(), std::uint8_t{0});
  const std::size_t n = payload.size();
  const std::span<std::uint8_t> work(work_);

  driver::PutSetupPacket(work, {requestType_, request_, requestValue_, interfaceNumber_,
                                static_cast<std::uint16_t>(n + 8)});
  bytes::StoreBe16(work.subspan(8), sequence);
  bytes::StoreBe16(work.subspan(10), command);
  bytes::StoreBe16(work.subspan(12), static_cast<std::uint16_t>(n));
  std::copy(payload.begin(), payload.end(), work.begin() + kControlRequestHeader);
  if (!driver::ControlOut(handle, work.first(n + kControlRequestHeader + 2))) return false;

  const std::uint32_t deadline = clock_.tickCount() + kReplyDeadlineMs;
  // Replies of earlier commands still queued are read past, as many as can be stale.
  for (std::size_t read = 0; read <= kRecentSequences; ++read) {
    if (!AwaitReply(handle, deadline)) {
      outOfStep_ = replyMissed_ = true;
      return false;
    }
    const std::uint8_t waiting = work_[5];
    const std::uint32_t size = bytes::LoadBe16(work.subspan(6));
    // The driver returns at most kOutputMax bytes, whatever the phone announced.
    const auto length = static_cast<std::uint16_t>(std::min<std::uint32_t>(
        2u * waiting + size + 4, driver::kOutputMax - driver::kDriverBytes));
    std::uint32_t received = 0;
    if (!driver::ControlIn(handle, {0xC1, 0x01, waiting, interfaceNumber_, length},
                           work.first(driver::kOutputMax), received)) {
      return false;
    }
    const auto answer = work.first(std::min<std::size_t>(received, driver::kOutputMax));
    if (answer.size() >= kControlReply.dataAt) {
      const Echo echo =
          Judge(bytes::LoadBe16(answer.subspan(kControlEchoAt)), sequence, replyMayBeLate);
      if (echo == Echo::Stale) continue;
      if (echo == Echo::Foreign) return false;
    }
    return ParseReply(answer, kControlReply, reply, replyLength);
  }
  return false;
}

bool TMotoP2KModemItem::AwaitReply(platform::DriverHandle& handle, std::uint32_t deadline) {
  const std::span<std::uint8_t> output(work_.data(), driver::kOutputMax);
  for (;;) {
    std::uint32_t received = 0;
    // Output byte 5 counts the replies waiting (1 or 2); bytes 6-7 give their size.
    if (driver::ControlIn(handle, {0xC1, 0x00, 0, interfaceNumber_, 8}, output, received) &&
        received >= 8 && (output[5] == 1 || output[5] == 2)) {
      return true;
    }
    if (!driver::WaitMayGoOn(1)) return false;
    clock_.sleep(1);
    if (platform::tickPassed(clock_.tickCount(), deadline)) return false;
  }
}

void TMotoP2KModemItem::DropWaitingReplies(platform::DriverHandle& handle) {
  outOfStep_ = false;
  const std::span<std::uint8_t> output(work_.data(), driver::kOutputMax);
  // Bounded: a phone that keeps announcing replies is not read for ever.
  for (std::size_t dropped = 0; dropped < kRecentSequences; ++dropped) {
    std::uint32_t received = 0;
    if (!driver::ControlIn(handle, {0xC1, 0x00, 0, interfaceNumber_, 8}, output, received) ||
        received < 8 || (output[5] != 1 && output[5] != 2)) {
      return;
    }
    const std::uint8_t waiting = output[5];
    const auto length = static_cast<std::uint16_t>(
        std::min<std::uint32_t>(2u * waiting + bytes::LoadBe16(output.subspan(6)) + 4,
                                driver::kOutputMax - driver::kDriverBytes));
    if (!driver::ControlIn(handle, {0xC1, 0x01, waiting, interfaceNumber_, length}, output,
                           received)) {
      return;
    }
  }
}

bool TMotoP2KModemItem::ExecuteOverBlocks(std::uint16_t command,
                                          std::span<const std::uint8_t> payload,
                                          std::span<std::uint8_t> reply,
                                          std::uint16_t& replyLength) {
  platform::DriverHandle& handle = *Handle();
  const bool replyMayBeLate = std::exchange(replyMissed_, false);
  const std::uint16_t sequence = NextSequence();
  std::fill(work_.begin(), work_.end(), std::uint8_t{0});
  const std::size_t n = payload.size();
  const std::span<std::uint8_t> work(work_);
  const auto block = work.subspan(driver::kBlockWriteHeader);

  bytes::StoreBe16(block, sequence);
  bytes::StoreBe16(block.subspan(2), command);
  bytes::StoreBe16(block.subspan(10), static_cast<std::uint16_t>(n));
  std::copy(payload.begin(), payload.end(), block.begin() + kBlockRequestHeader);
  if (!driver::BlockWrite(handle,
                          work.first(driver::kBlockWriteHeader + kBlockRequestHeader + n + 1),
                          kBlockWaitMs)) {
    replyMissed_ = true;  // a write that timed out may still have reached the phone
    return false;
  }

  // Replies of earlier commands still queued are read past, as many as can be stale.
  for (std::size_t read = 0; read <= kRecentSequences; ++read) {
    std::uint32_t received = 0;
    if (!driver::BlockRead(handle, 4096, work.first(driver::kOutputMax), kBlockWaitMs, received) ||
        received < driver::kDriverBytes) {
      replyMissed_ = true;
      return false;
    }
    const auto answer =
        work.subspan(driver::kDriverBytes,
                     std::min<std::size_t>(received, driver::kOutputMax) - driver::kDriverBytes);
    if (answer.size() >= kBlockReply.dataAt) {
      const Echo echo = Judge(bytes::LoadBe16(answer), sequence, replyMayBeLate);
      if (echo == Echo::Stale) continue;
      if (echo == Echo::Foreign) return false;
    }
    return ParseReply(answer, kBlockReply, reply, replyLength);
  }
  return false;
}

void TMotoP2KModemItem::ProbeCommandFormat() {
  std::uint8_t reply[1];
  std::uint16_t replyLength = 0;
  const bool answered =
      Handle() != nullptr && ExecuteOverControl(kProbeCommand, {}, reply, replyLength);
  cmdFormat_ = answered ? cfoP2K : cfoP2K05;
}

void P2KFamily::PrepareNewItem(Item& item, const ModeSettings& settings) {
  item.SetFSACOption(settings.fsacOption);
  item.ParseInterfaceNumber();
}

void TMotoP2KMode::SetFSACOption(TFSACOptions option) {
  settings_.fsacOption = option;
  for (int i = 0; i < DeviceList().Count(); ++i) DeviceList().Items(i)->SetFSACOption(option);
}

}  // namespace vestrel::phonelink
