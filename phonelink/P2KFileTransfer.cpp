// Single-file operations and whole-file copies of TMotoP2KModemItem.
#include <algorithm>
#include <array>
#include <cerrno>
#include <fstream>
#include <system_error>
#include <vector>

#include "phonelink/Bytes.h"
#include "phonelink/MotoP2KMode.h"

namespace vestrel::phonelink {

namespace {

// Reply buffer of open and close; whatever data they carry is not used.
constexpr std::size_t kSmallReply = 16;

// Names that the copy, delete and attribute operations accept: 1 to 255 characters.
bool NormalName(std::string_view name) { return !name.empty() && name.size() <= kMaxPhoneName; }

[[noreturn]] void ThrowHostError(const char* what, const std::filesystem::path& path, int error) {
  throw std::filesystem::filesystem_error(
      what, path, std::error_code(error ? error : EIO, std::generic_category()));
}

// Calls a progress callback; false only when it asked to stop. A failure inside is swallowed.
bool KeepGoing(const ProgressCallback& progress, std::int64_t done, std::int64_t total) {
  if (!progress) return true;
  try {
    return progress(done, total);
  } catch (...) {
    return true;
  }
}

}  // namespace

bool TMotoP2KModemItem::FileOpen(std::string_view name, std::uint16_t attributes) {
  if (!IsOpen()) {
    DoDebug("File Open is Failed - Phone isn`t open", dtError, false);
    return false;
  }
  if (name.size() > kMaxPhoneName + 1) {
    DoDebug("File Open is Failed - FileName isn`t normal", dtError, false);
    return false;
  }
  const auto word = fsac::Word(FsacVariant(), fsac::kOpen);
  std::vector<std::uint8_t> payload(word.begin(), word.end());
  bytes::AppendBe32(payload, AttrToPhoneAttr(attributes));
  payload.insert(payload.end(), name.begin(), name.end());
  std::array<std::uint8_t, kSmallReply> reply{};
  std::uint16_t length = 0;
  if (!ExecuteCommand(fsac::kCommand, payload, reply, length)) {
    DoDebug("File Open is Failed - Read Command is Error", dtError, false);
    return false;
  }
  if (length != 0) {
    DoDebug("File Open is Failed - Recv Data is Error", dtError, false);
    return false;
  }
  DoDebug("File Open", dtInformation, false);
  return true;
}

std::int32_t TMotoP2KModemItem::FileRead(std::span<std::uint8_t> buffer) {
  return ReadBlock(buffer, false);
}

std::int32_t TMotoP2KModemItem::ReadBlock(std::span<std::uint8_t> buffer, bool lastByte) {
  if (!IsOpen()) {
    DoDebug("File Read is Failed - Phone isn`t open", dtError, false);
    return 0;
  }
  if (buffer.size() > fsac::kMaxReadBlock) {
    DoDebug("File Read is Failed - BuffSize isn`t normal (0 > Buffer Size > 4096)", dtError, false);
    return 0;
  }
  const auto word = fsac::Word(FsacVariant(), fsac::kRead);
  const auto n = static_cast<std::uint32_t>(buffer.size());
  const std::array<std::uint8_t, 8> payload{word[0],
                                            word[1],
                                            word[2],
                                            word[3],
                                            static_cast<std::uint8_t>(n >> 24),
                                            static_cast<std::uint8_t>(n >> 16),
                                            static_cast<std::uint8_t>(n >> 8),
                                            static_cast<std::uint8_t>(n)};
  std::uint16_t length = 0;
  readReachedEnd_ = false;
  if (!ExecuteCommand(fsac::kCommand, payload, buffer, length)) {
    DoDebug("File Read is Failed - Read Command is Error", dtError, false);
    return 0;
  }
  if (length == 1 && !lastByte) {
    // A one-byte reply is an error code, not data.
    const int code = buffer.empty() ? -1 : buffer[0];
    readReachedEnd_ = code == fsac::kReplyEndOfFile;
    if (code == fsac::kReplyError) {
      DoDebug("File Read is Failed - Read Data is Error", dtError, false);
    } else if (code == fsac::kReplyEndOfFile) {
      DoDebug("File Read is Failed - End of File", dtError, false);
    }
    return 0;
  }
  DoDebug("File Read", dtInformation, false);
  return length;
}

bool TMotoP2KModemItem::FileWrite(std::span<const std::uint8_t> data) {
  if (!IsOpen()) {
    DoDebug("File Write is Failed - Phone isn`t open", dtError, false);
    return false;
  }
  if (data.size() > fsac::kMaxWriteBlock) {
    DoDebug("File Write is Failed - BuffSize isn`t normal (0 > Buffer Size > 1024)", dtError,
            false);
    return false;
  }
  const auto word = fsac::Word(FsacVariant(), fsac::kWrite);
  std::vector<std::uint8_t> payload(word.begin(), word.end());
  payload.reserve(fsac::kWordSize + 4 + data.size());
  bytes::AppendBe32(payload, static_cast<std::uint32_t>(data.size()));
  payload.insert(payload.end(), data.begin(), data.end());
  std::array<std::uint8_t, 1> reply{};
  std::uint16_t length = 0;
  if (!ExecuteCommand(fsac::kCommand, payload, reply, length)) {
    DoDebug("File Write is Failed - Read Command is Error", dtError, false);
    return false;
  }
  if (length == 1 && reply[0] == fsac::kReplyError) {
    DoDebug("File Write is Failed - Write Data is Error", dtError, false);
    return false;
  }
  DoDebug("File Write", dtInformation, false);
  return true;
}

bool TMotoP2KModemItem::FileClose() {
  if (!IsOpen()) {
    DoDebug("File Close is Failed - Phone isn`t open", dtError, false);
    return false;
  }
  const auto word = fsac::Word(FsacVariant(), fsac::kClose);
  std::array<std::uint8_t, kSmallReply> reply{};
  std::uint16_t length = 0;
  if (!ExecuteCommand(fsac::kCommand, word, reply, length)) {
    DoDebug("File Close is Failed - Read Command is Error", dtError, false);
    return false;
  }
  if (length != 0) {
    DoDebug("File Close is Failed - Recv Data is Error", dtError, false);
    return false;
  }
  DoDebug("File Close", dtInformation, false);
  return true;
}

bool TMotoP2KModemItem::FileDelete(std::string_view name) {
  if (!IsOpen()) {
    DoDebug("File Delete is Failed - Phone isn`t open", dtError, false);
    return false;
  }
  if (!NormalName(name)) {
    DoDebug("File Delete Phone is Failed - FileName isn`t normal", dtError, false);
    return false;
  }
  const auto word = fsac::Word(FsacVariant(), fsac::kDelete);
  std::vector<std::uint8_t> payload(word.begin(), word.end());
  payload.insert(payload.end(), name.begin(), name.end());
  std::array<std::uint8_t, 1> reply{};
  std::uint16_t length = 0;
  if (!ExecuteCommand(fsac::kCommand, payload, reply, length)) {
    DoDebug("File Delete is Failed - Read Command is Error", dtError, false);
    return false;
  }
  if (length == 1 && reply[0] == fsac::kReplyError) {
    DoDebug("File Delete is Failed - file isn`t deleted", dtError, false);
    return false;
  }
  DoDebug("File Delete", dtInformation, false);
  return true;
}

bool TMotoP2KModemItem::FileSetAttribute(std::string_view name, std::uint16_t attributes) {
  if (!IsOpen()) {
    DoDebug("File Set Attribute is Failed - Phone isn`t open", dtError, false);
    return false;
  }
  if (!NormalName(name)) {
    DoDebug("File Set Attribute is Failed - FileName isn`t normal", dtError, false);
    return false;
  }
  if (!FileOpen(name, attributes)) {
    DoDebug("File Set Attribute is Fail - file isn`t opened", dtError, false);
    DoDebug("File Set Attribute is Fail", dtError, false);
    return false;
  }
  if (!FileClose()) {
    DoDebug("File Set Attribute is Fail - file isn`t closed", dtError, false);
    DoDebug("File Set Attribute is Fail", dtError, false);
    return false;
  }
  DoDebug("File Set Attribute", dtInformation, false);
  return true;
}

bool TMotoP2KModemItem::FileDownload(std::string_view phoneName,
                                     const std::filesystem::path& localPath, std::size_t blockSize,
                                     std::int64_t total, const ProgressCallback& progress) {
  std::ofstream out(localPath, std::ios::binary | std::ios::trunc);
  if (!out) ThrowHostError("Cannot create file", localPath, errno);
  int hostError = 0;
  const BlockSink sink = [&](std::span<const std::uint8_t> block) {
    if (out.write(reinterpret_cast<const char*>(block.data()),
                  static_cast<std::streamsize>(block.size()))) {
      return true;
    }
    hostError = errno ? errno : EIO;
    return false;
  };
  std::int64_t done = 0;
  const CopyEnd end = CopyFromPhone(phoneName, sink, blockSize, total, progress, done);
  if (end == CopyEnd::HostFailed) ThrowHostError("Cannot write file", localPath, hostError);
  if (!out.flush()) ThrowHostError("Cannot write file", localPath, errno);
  return end == CopyEnd::Whole || (end == CopyEnd::StoppedByCaller && done > 0);
}

CopyEnd TMotoP2KModemItem::CopyFromPhone(std::string_view phoneName, const BlockSink& sink,
                                         std::size_t blockSize, std::int64_t total,
                                         const ProgressCallback& progress, std::int64_t& done) {
  done = 0;
  if (!IsOpen()) {
    DoDebug("File Download is Failed - Phone isn`t open", dtError, false);
    return CopyEnd::PhoneFailed;
  }
  if (!NormalName(phoneName)) {
    DoDebug("File Download is Failed - FileName isn`t normal", dtError, false);
    return CopyEnd::PhoneFailed;
  }
  if (!FileOpen(phoneName, faOpenForRead)) {
    DoDebug("File Download is Failed - file isn`t opened", dtError, false);
    return CopyEnd::PhoneFailed;
  }

  // A block above the read limit fails at its first read; one byte past the limit is enough
  // room to make it do so without allocating whatever size was asked for.
  std::vector<std::uint8_t> buffer(std::min(blockSize, fsac::kMaxReadBlock + 1));
  bool hostFailed = false;
  bool stoppedByCaller = false;
  for (;;) {
    // With the size known, the last read is never left a single byte: the phone's one-byte
    // reply is taken for an error code, and the byte would be lost.
    std::size_t ask = buffer.size();
    if (ask > 1 && total - done == static_cast<std::int64_t>(ask) + 1) --ask;
    const auto block = std::span(buffer).first(ask);
    std::fill(block.begin(), block.end(), std::uint8_t{0});
    const std::int32_t n = ReadBlock(block, total - done == 1);
    // Nothing (an error code, normally the end of file) ends the copy; so does a reply larger
    // than was asked for.
    if (n <= 0 || static_cast<std::size_t>(n) > ask) break;
    if (!sink(block.first(static_cast<std::size_t>(n)))) {
      hostFailed = true;
      break;
    }
    done += n;
    if (!KeepGoing(progress, done, total)) {
      stoppedByCaller = true;
      break;
    }
  }

  const bool closed = FileClose();
  if (hostFailed) return CopyEnd::HostFailed;
  if (!closed) {
    DoDebug("File Download is Failed - file isn`t closed", dtError, true);
    return CopyEnd::PhoneFailed;
  }
  if (stoppedByCaller) {
    DoDebug("File Download", dtInformation, false);
    return CopyEnd::StoppedByCaller;
  }
  // Only the end-of-file answer makes the copy whole; a read that failed midway leaves a
  // partial file, which must not pass for the phone file.
  // A file listed as empty is whole when the phone says end of file at once.
  if (readReachedEnd_ && (done > 0 || total == 0)) {
    DoDebug("File Download", dtInformation, false);
    return CopyEnd::Whole;
  }
  DoDebug(
      done > 0 ? "File Download is Failed - file isn`t read to its end" : "File Download is Failed",
      dtError, false);
  return CopyEnd::PhoneFailed;
}

bool TMotoP2KModemItem::FileUpload(const std::filesystem::path& localPath,
                                   std::string_view phoneName, std::size_t blockSize,
                                   const ProgressCallback& progress) {
  std::ifstream in(localPath, std::ios::binary);
  if (!in) ThrowHostError("Cannot open file", localPath, errno);
  in.seekg(0, std::ios::end);
  const std::streamoff end = in.tellg();
  in.seekg(0, std::ios::beg);
  if (end < 0 || !in) ThrowHostError("Cannot read file", localPath, errno);
  int hostError = 0;
  const BlockSource source = [&](std::span<std::uint8_t> buffer) -> std::int64_t {
    in.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(buffer.size()));
    if (in.bad()) {
      hostError = errno ? errno : EIO;
      return -1;
    }
    return in.gcount();
  };
  std::int64_t sent = 0;
  const CopyEnd copied = CopyToPhone(source, end, phoneName, blockSize, progress, sent);
  if (copied == CopyEnd::HostFailed) ThrowHostError("Cannot read file", localPath, hostError);
  return copied == CopyEnd::Whole;
}

CopyEnd TMotoP2KModemItem::CopyToPhone(const BlockSource& source, std::int64_t size,
                                       std::string_view phoneName, std::size_t blockSize,
                                       const ProgressCallback& progress, std::int64_t& done) {
  done = 0;
  if (!IsOpen()) {
    DoDebug("File Upload is Failed - Phone isn`t open", dtError, false);
    return CopyEnd::PhoneFailed;
  }
  if (!NormalName(phoneName) || size <= 0) {
    DoDebug("File Upload is Failed - FileName isn`t normal", dtError, false);
    return CopyEnd::PhoneFailed;
  }
  if (!FileOpen(phoneName, 0)) {
    DoDebug("File Upload is Failed - file isn`t opened", dtError, false);
    return CopyEnd::PhoneFailed;
  }

  // Bounded by the file's size. A block above the write limit fails unsent.
  std::vector<std::uint8_t> buffer(
      std::min<std::size_t>(blockSize, static_cast<std::size_t>(size)));
  bool hostFailed = false;
  bool blockFailed = false;
  bool stoppedByCaller = false;
  while (done < size) {
    const std::int64_t got = source(buffer);
    if (got < 0) {
      hostFailed = true;
      break;
    }
    if (got == 0) break;
    // A block the phone did not take ends the copy: every block after it would only make a
    // hole, and with a silent phone each would cost a whole time-out.
    if (!FileWrite(std::span<const std::uint8_t>(buffer).first(static_cast<std::size_t>(got)))) {
      blockFailed = true;
      break;
    }
    done += got;
    if (!KeepGoing(progress, done, size)) {
      stoppedByCaller = true;
      break;
    }
  }

  const bool closed = FileClose();
  if (!closed) DoDebug("File Upload is Failed - file isn`t close", dtError, true);
  if (hostFailed) return CopyEnd::HostFailed;
  if (closed && done == size) {
    DoDebug("File Upload", dtInformation, false);
    return CopyEnd::Whole;
  }
  DoDebug("File Upload is Failed", dtError, false);
  if (stoppedByCaller && closed && !blockFailed) return CopyEnd::StoppedByCaller;
  return CopyEnd::PhoneFailed;
}

}  // namespace vestrel::phonelink
