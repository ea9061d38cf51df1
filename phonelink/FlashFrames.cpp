#include "phonelink/FlashFrames.h"

#include <algorithm>
#include <cstdio>

#include "phonelink/DriverRequests.h"

namespace vestrel::phonelink::flash {

namespace {

constexpr std::size_t kTrimmedLimit = 255;
// STX, RS and ETX are written \002, \036 and \003.
constexpr std::string_view kErrorMark = "\002ERR\036";
constexpr std::string_view kReadMark = "\002READ\036";
constexpr std::string_view kBinAck = "ACK\036BIN";

void append(std::vector<std::uint8_t>& frame, std::string_view text) {
  frame.insert(frame.end(), text.begin(), text.end());
}

std::vector<std::uint8_t> opening(std::string_view word, std::size_t room) {
  std::vector<std::uint8_t> frame;
  frame.reserve(room);
  frame.push_back(kSTX);
  append(frame, word);
  return frame;
}

std::string hexDigits(std::uint32_t value, int width) {
  char text[9];
  std::snprintf(text, sizeof text, "%0*X", width, static_cast<unsigned>(value));
  return text;
}

// Checksums travel as the low byte of a sum, in two hex digits.
std::string checksumText(unsigned sum) { return hexDigits(sum & 0xFFu, 2); }

// The checksum of "ADDR" and "JUMP": the sum of the address digits' character codes.
std::string digitChecksum(std::string_view digits) {
  unsigned sum = 0;
  for (char c : digits) sum += static_cast<unsigned char>(c);
  return checksumText(sum);
}

std::vector<std::uint8_t> addressFrame(std::string_view word, std::uint32_t address) {
  const std::string digits = Hex8(address);
  auto frame = opening(word, 17);
  frame.push_back(kRS);
  append(frame, digits);
  append(frame, digitChecksum(digits));
  frame.push_back(kETX);
  return frame;
}

// The reply text without the control characters and blanks around it, cut to 255 characters.
std::string_view trimmed(const Reply& reply) {
  std::string_view text = reply.Text();
  const auto isPad = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
  while (!text.empty() && isPad(text.front())) text.remove_prefix(1);
  while (!text.empty() && isPad(text.back())) text.remove_suffix(1);
  return text.substr(0, kTrimmedLimit);
}

}  // namespace

std::string Hex8(std::uint32_t value) { return hexDigits(value, 8); }

std::string Hex4(std::uint32_t value) { return hexDigits(value, 4); }

std::vector<std::uint8_t> PowerDownFrame() {
  auto frame = opening("POWER_DOWN", 12);
  frame.push_back(kETX);
  return frame;
}

std::vector<std::uint8_t> AddrFrame(std::uint32_t address) { return addressFrame("ADDR", address); }

std::vector<std::uint8_t> JumpFrame(std::uint32_t address) { return addressFrame("JUMP", address); }

std::vector<std::uint8_t> BinFrame(std::span<const std::uint8_t> data) {
  const std::size_t padded = (data.size() + 7) / 8 * 8;
  auto frame = opening("BIN", padded + 9);
  frame.push_back(kRS);
  const auto high = static_cast<std::uint8_t>(padded >> 8);
  const auto low = static_cast<std::uint8_t>(padded);
  frame.push_back(high);
  frame.push_back(low);
  frame.insert(frame.end(), data.begin(), data.end());
  frame.resize(frame.size() + (padded - data.size()), 0xFF);
  unsigned sum = 0;
  for (auto it = frame.end() - static_cast<std::ptrdiff_t>(padded) - 2; it != frame.end(); ++it) {
    sum += *it;
  }
  append(frame, checksumText(sum));
  return frame;
}

std::vector<std::uint8_t> DumpFrame(std::uint32_t address) {
  auto frame = opening("DUMP", 15);
  frame.push_back(kRS);
  append(frame, Hex8(address));
  frame.push_back(kETX);
  return frame;
}

std::vector<std::uint8_t> ReadFrame(std::uint32_t address, std::uint32_t count) {
  char count4[12];
  std::snprintf(count4, sizeof count4, "%04u", static_cast<unsigned>(count));
  auto frame = opening("READ", 20);
  frame.push_back(kRS);
  append(frame, Hex8(address));
  frame.push_back(',');
  append(frame, count4);
  frame.push_back(kETX);
  return frame;
}

std::string_view Reply::Text() const {
  const auto* begin = reinterpret_cast<const char*>(bytes.data());
  const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
  return {begin, static_cast<std::size_t>(end - bytes.begin())};
}

bool AcknowledgesCommand(const Reply& reply, std::string_view word) {
  const std::string_view text = trimmed(reply);
  if (text.empty()) return word == "JUMP";
  return text.starts_with("ACK\036") && text.substr(4).starts_with(word);
}

bool AcknowledgesBin(const Reply& reply) {
  const std::string_view text = trimmed(reply);
  return text == kBinAck;
}

bool DumpDelivers(const Reply& reply, std::size_t count) {
  return count <= reply.length && reply.Text().find(kErrorMark) == std::string_view::npos;
}

bool ReadDelivers(const Reply& reply, std::size_t count) {
  if (count > kMaxReadCount || reply.length != kReadDataOffset + count + 1) return false;
  const std::string_view head(reinterpret_cast<const char*>(reply.bytes.data()), kReadMark.size());
  const std::size_t echoed = std::size_t{reply.bytes[6]} << 8 | reply.bytes[7];
  return head == kReadMark && echoed == count && reply.bytes[kReadDataOffset + count] == kETX;
}

bool WriteFrame(platform::DriverHandle& handle, std::span<const std::uint8_t> frame,
                std::uint32_t waitMs) {
  const std::size_t piece = frame.size() <= kSingleWriteLimit ? frame.size() : kWritePiece;
  std::vector<std::uint8_t> request;
  bool allWritten = true;
  std::size_t at = 0;
  do {
    const std::size_t n = std::min(piece, frame.size() - at);
    request.assign(driver::kBlockWriteHeader + n + 1, 0);
    std::copy_n(frame.begin() + static_cast<std::ptrdiff_t>(at), n,
                request.begin() + driver::kBlockWriteHeader);
    allWritten = driver::BlockWrite(handle, request, waitMs) && allWritten;
    at += n;
  } while (at < frame.size());
  return allWritten;
}

Reply ReadReply(platform::DriverHandle& handle, std::uint32_t waitMs) {
  std::array<std::uint8_t, driver::kOutputMax> output{};
  std::uint32_t returned = 0;
  Reply reply;
  if (!driver::BlockRead(handle, kReplySize, output, waitMs, returned)) return reply;
  if (returned < driver::kDriverBytes) return reply;
  const std::size_t n = std::min<std::size_t>(
      std::min<std::size_t>(returned, output.size()) - driver::kDriverBytes, kReplySize);
  std::copy_n(output.begin() + driver::kDriverBytes, n, reply.bytes.begin());
  reply.length = n;
  return reply;
}

std::size_t DrainReplies(platform::DriverHandle& handle, std::uint32_t waitMs) {
  std::size_t dropped = 0;
  while (dropped < kDrainLimit && ReadReply(handle, waitMs).length > 0) ++dropped;
  return dropped;
}

}  // namespace vestrel::phonelink::flash
