#include "phonelink/MotoFlashMode.h"

#include <algorithm>
#include <fstream>
#include <istream>
#include <limits>
#include <ostream>
#include <vector>

namespace vestrel::phonelink {

namespace {
constexpr OpenCloseTexts kTexts{"Open Phone", "Open Phone Failed", "Close Phone",
                                "Close Phone Failed"};

std::string Outcome(std::string text, bool ok) { return ok ? text : text + " Failed"; }
}  // namespace

TMotoFlashModemItem::TMotoFlashModemItem(const PhoneLinkContext& context, TUSBDevice info)
    : TDriverModemItem(context.bus, std::move(info), kTexts) {}

TMotoFlashModemItem::~TMotoFlashModemItem() { CloseOnDestroy(); }

bool TMotoFlashModemItem::OpenPhone() {
  if (IsOpen()) return true;
  return OpenDevice();
}

void TMotoFlashModemItem::DoDebug(const std::string& text, TDebugType type, bool subError) {
  lastError_ = text;
  if (type == dtError && subError) lastFrameFailure_ = text;
  TDriverModemItem::DoDebug(text, type, subError);
}

void TMotoFlashModemItem::NoteFrame(bool ok, FlashFrameFailure frame) {
  if (!ok) lastFailedFrame_ = frame;
}

// The reply decides: a piece whose write request failed or ran out of time may still have
// reached the phone, which then answers.
flash::Reply TMotoFlashModemItem::Exchange(std::span<const std::uint8_t> frame) {
  if (outOfStep_) outOfStep_ = flash::DrainReplies(*Handle(), timeOut_) == flash::kDrainLimit;
  flash::WriteFrame(*Handle(), frame, timeOut_);
  return flash::ReadReply(*Handle(), timeOut_);
}

// A reply that did not come may come late; one that was not accepted may be an earlier
// request's, with this request's still to come.
bool TMotoFlashModemItem::Judged(const flash::Reply& reply, bool accepted) {
  if (!accepted || reply.length == 0) outOfStep_ = true;
  return accepted;
}

bool TMotoFlashModemItem::PowerOff() {
  if (!IsOpen()) return false;
  const bool ok = flash::WriteFrame(*Handle(), flash::PowerDownFrame(), timeOut_);
  DoDebug(Outcome("Power Off", ok), ok ? dtInformation : dtError, false);
  return ok;
}

bool TMotoFlashModemItem::SendAcknowledged(std::string_view word,
                                           std::span<const std::uint8_t> frame,
                                           std::uint32_t address) {
  const flash::Reply reply = Exchange(frame);
  const bool ok = Judged(reply, flash::AcknowledgesCommand(reply, word));
  const std::string text = "Send " + std::string(word) + " " + flash::Hex8(address);
  NoteFrame(ok, {word, address, std::nullopt});
  DoDebug(Outcome(text, ok), ok ? dtInformation : dtError, true);
  return ok;
}

bool TMotoFlashModemItem::SendAddr(std::uint32_t address) {
  if (!IsOpen()) return false;
  return SendAcknowledged("ADDR", flash::AddrFrame(address), address);
}

bool TMotoFlashModemItem::SendJump(std::uint32_t address) {
  if (!IsOpen()) return false;
  return SendAcknowledged("JUMP", flash::JumpFrame(address), address);
}

bool TMotoFlashModemItem::SendBin(std::span<const std::uint8_t> data) {
  if (!IsOpen()) return false;
  bool ok = false;
  if (data.size() <= flash::kMaxBinData) {
    const flash::Reply reply = Exchange(flash::BinFrame(data));
    ok = Judged(reply, flash::AcknowledgesBin(reply));
  }
  NoteFrame(ok, {"BIN", std::nullopt, static_cast<std::uint32_t>(data.size())});
  DoDebug(Outcome("Send BIN", ok), ok ? dtInformation : dtError, true);
  return ok;
}

bool TMotoFlashModemItem::FetchData(std::span<const std::uint8_t> frame, std::size_t limit,
                                    DataRule delivers, std::size_t offset,
                                    std::span<std::uint8_t> destination) {
  const std::size_t count = destination.size();
  if (count == 0 || count > limit) return false;
  const flash::Reply reply = Exchange(frame);
  const bool ok = Judged(reply, delivers(reply, count));
  if (ok)
    std::copy_n(reply.bytes.begin() + static_cast<std::ptrdiff_t>(offset), count,
                destination.begin());
  return ok;
}

std::int32_t TMotoFlashModemItem::SendDump(std::uint32_t address,
                                           std::span<std::uint8_t> destination) {
  if (!IsOpen()) return 0;
  const bool ok = FetchData(flash::DumpFrame(address), flash::kMaxDumpCount, flash::DumpDelivers, 0,
                            destination);
  NoteFrame(ok, {"DUMP", address, std::nullopt});
  DoDebug(Outcome("Send DUMP (" + flash::Hex8(address) + ")", ok), ok ? dtInformation : dtError,
          true);
  return ok ? static_cast<std::int32_t>(destination.size()) : 0;
}

std::int32_t TMotoFlashModemItem::SendRead(std::uint32_t address,
                                           std::span<std::uint8_t> destination) {
  if (!IsOpen()) return 0;
  const auto count = static_cast<std::uint32_t>(destination.size());
  const bool ok = FetchData(flash::ReadFrame(address, count), flash::kMaxReadCount,
                            flash::ReadDelivers, flash::kReadDataOffset, destination);
  const std::string text = "Send READ (" + flash::Hex8(address) + "," + flash::Hex4(count) + " b)";
  NoteFrame(ok, {"READ", address, count});
  DoDebug(Outcome(text, ok), ok ? dtInformation : dtError, true);
  return ok ? static_cast<std::int32_t>(count) : 0;
}

bool TMotoFlashModemItem::SendLoaderStream(std::istream* stream, TLoaderType type,
                                           FlashProgressCallback progress) {
  loaderType_ = type;
  if (!IsOpen() || !stream) return false;
  lastFrameFailure_.clear();
  lastFailedFrame_.reset();
  stream->clear();
  stream->seekg(0, std::ios::end);
  const std::int64_t size = stream->tellg();
  if (size <= 0 || size > std::numeric_limits<std::int32_t>::max()) return false;
  stream->seekg(0);
  const bool ok = UploadLoader(*stream, size, progress) && SendJump(entryAddr_);
  DoDebug(Outcome("Send Loader", ok), ok ? dtInformation : dtError, false);
  return ok;
}

// Each block goes after its own "ADDR". A block the stream cannot deliver whole ends the upload
// before its "BIN": a partial block would leave a hole in the loader.
bool TMotoFlashModemItem::UploadLoader(std::istream& stream, std::int64_t size,
                                       const FlashProgressCallback& progress) {
  std::vector<std::uint8_t> block(kLoaderBlock);
  std::uint32_t address = baseAddr_;
  std::int64_t sent = 0;
  while (sent < size) {
    if (!SendAddr(address)) return false;
    const auto wanted = static_cast<std::streamsize>(
        std::min<std::int64_t>(static_cast<std::int64_t>(kLoaderBlock), size - sent));
    stream.read(reinterpret_cast<char*>(block.data()), wanted);
    if (stream.gcount() != wanted) return false;
    if (!SendBin(std::span(block).first(static_cast<std::size_t>(wanted)))) return false;
    sent += wanted;
    address += static_cast<std::uint32_t>(wanted);
    if (progress) progress(static_cast<std::int32_t>(sent), static_cast<std::int32_t>(size));
  }
  return true;
}

bool TMotoFlashModemItem::SendLoader(const std::filesystem::path& fileName, TLoaderType type,
                                     FlashProgressCallback progress) {
  if (!IsOpen()) return false;
  std::error_code error;
  if (!std::filesystem::is_regular_file(fileName, error)) return false;
  std::ifstream file(fileName, std::ios::binary);
  return SendLoaderStream(&file, type, std::move(progress));
}

std::int32_t TMotoFlashModemItem::ReadBlock(std::uint32_t address,
                                            std::span<std::uint8_t> destination) {
  std::int32_t delivered = 0;
  for (int attempt = 0; attempt < kBlockAttempts && delivered == 0 && IsOpen(); ++attempt) {
    delivered =
        loaderType_ == ltUseREAD ? SendRead(address, destination) : SendDump(address, destination);
  }
  return delivered;
}

bool TMotoFlashModemItem::SaveMemoryStream(MemoryRange range, std::ostream* stream,
                                           FlashProgressCallback progress) {
  if (!IsOpen() || !stream || range.Start > range.Finish) return false;
  lastFrameFailure_.clear();
  lastFailedFrame_.reset();
  // 64-bit so that a range ending at the top of the address space ends instead of wrapping.
  std::uint64_t size = std::uint64_t{range.Finish} + 1 - range.Start;
  if (size > 1 && size % kSaveBlock == 1) --size;
  const std::uint64_t end = range.Start + size;
  std::uint64_t current = range.Start;
  std::array<std::uint8_t, kSaveBlock> block{};
  std::size_t previous = 0;
  bool result = true;
  do {
    auto n = static_cast<std::size_t>(std::min<std::uint64_t>(kSaveBlock, end - current));
    // Only blocks of 256 or 248 bytes can meet the count before them.
    if (n == previous) n -= 8;
    previous = n;
    const std::int32_t delivered =
        ReadBlock(static_cast<std::uint32_t>(current), std::span(block).first(n));
    if (delivered == 0) {
      result = false;
      break;
    }
    stream->write(reinterpret_cast<const char*>(block.data()), delivered);
    if (!*stream) {
      result = false;
      break;
    }
    current += static_cast<std::uint64_t>(delivered);
    if (progress) {
      progress(static_cast<std::int32_t>(current - range.Start),
               static_cast<std::int32_t>(range.Finish - range.Start));
    }
  } while (current < end);
  if (result) DoDebug("Save Memory", dtInformation, false);
  return result;
}

bool TMotoFlashModemItem::SaveMemory(MemoryRange range, const std::filesystem::path& fileName,
                                     FlashProgressCallback progress) {
  if (!IsOpen()) return false;
  std::ofstream file(fileName, std::ios::binary | std::ios::trunc);
  if (!file) return false;
  bool result = SaveMemoryStream(range, &file, std::move(progress));
  file.close();
  if (file.fail()) result = false;
  return result;
}

}  // namespace vestrel::phonelink
