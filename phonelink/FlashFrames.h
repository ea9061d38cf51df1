#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DriverHandle.h"

namespace vestrel::phonelink::flash {

// The boot loader's and RAM loader's frames, and the rules by which their replies count.
// Frames start with STX; the command word and its argument are separated by RS; all but "BIN"
// end in ETX. Addresses travel as eight upper-case hex digits.

inline constexpr std::uint8_t kSTX = 0x02;
inline constexpr std::uint8_t kETX = 0x03;
inline constexpr std::uint8_t kRS = 0x1E;

inline constexpr std::size_t kReplySize = 1024;    // bytes asked for by every reply read
inline constexpr std::size_t kReadDataOffset = 8;  // STX "READ" RS and two further bytes
inline constexpr std::size_t kMaxDumpCount = kReplySize;
inline constexpr std::size_t kMaxReadCount = kReplySize - kReadDataOffset - 1;  // and ETX
inline constexpr std::size_t kMaxBinData = 65528;  // the padded length must fit 16 bits
inline constexpr std::size_t kSingleWriteLimit = 2057;
inline constexpr std::size_t kWritePiece = 2048;

// "%08X" and "%04X".
std::string Hex8(std::uint32_t value);
std::string Hex4(std::uint32_t value);

std::vector<std::uint8_t> PowerDownFrame();
std::vector<std::uint8_t> AddrFrame(std::uint32_t address);
std::vector<std::uint8_t> JumpFrame(std::uint32_t address);
// Pads the data with 0xFF to a multiple of 8; `data` holds at most kMaxBinData bytes.
std::vector<std::uint8_t> BinFrame(std::span<const std::uint8_t> data);
std::vector<std::uint8_t> DumpFrame(std::uint32_t address);
// `count` is at most 9999: it travels as four decimal digits.
std::vector<std::uint8_t> ReadFrame(std::uint32_t address, std::uint32_t count);

// One reply as the item reads it: a zero-filled buffer and the number of bytes that arrived.
struct Reply {
  std::array<std::uint8_t, kReplySize> bytes{};
  std::size_t length = 0;

  // The buffer up to its first zero byte.
  std::string_view Text() const;
};

// Acceptance of "ADDR" and "JUMP": the trimmed text begins with "ACK" RS `word`. No reply at
// all passes for "JUMP" only: the boot loader may hand over to the new loader without a word.
bool AcknowledgesCommand(const Reply& reply, std::string_view word);
// Acceptance of "BIN": the trimmed text is exactly "ACK" RS "BIN".
bool AcknowledgesBin(const Reply& reply);
// A "DUMP" reply is data unless it carries the error mark; it must hold `count` bytes.
bool DumpDelivers(const Reply& reply, std::size_t count);
// A "READ" reply is STX "READ" RS, the count asked for (high byte first), exactly `count` data
// bytes and ETX. A reply of another length or count answers some other request.
bool ReadDelivers(const Reply& reply, std::size_t count);

// Writes a frame with the driver's block write: in one request up to kSingleWriteLimit bytes,
// else in pieces of kWritePiece bytes, every piece sent whatever became of the one before.
// True when every request completed.
bool WriteFrame(platform::DriverHandle& handle, std::span<const std::uint8_t> frame,
                std::uint32_t waitMs);

// Reads one reply of up to kReplySize bytes. A failed request, or one that returned fewer than
// the driver's own bytes, leaves the reply empty.
Reply ReadReply(platform::DriverHandle& handle, std::uint32_t waitMs);

// Brings the channel back in step after a reply that did not come or did not fit: reads and
// drops replies until one read finds the phone silent for `waitMs`, at most kDrainLimit reads.
// Returns how many replies were dropped.
inline constexpr std::size_t kDrainLimit = 8;
std::size_t DrainReplies(platform::DriverHandle& handle, std::uint32_t waitMs);

}  // namespace vestrel::phonelink::flash
