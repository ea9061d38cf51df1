#pragma once

// The phone's file system as the P2K command FSAC reaches it: the wire
// format of its requests and replies, the record a listing delivers, the attribute bits and
// their conversions, and the callbacks of the long operations.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace vestrel::phonelink {

namespace fsac {

// Every file-system request is this one P2K command; its payload starts with a 4-byte word:
// 0, variant byte (0 for fsacBP, 1 for fsacAP; always 0 for volumes and free space), 0,
// sub-command. Numbers after the word travel high byte first, names as their 8-bit codes.
inline constexpr std::uint16_t kCommand = 0x004A;
inline constexpr std::size_t kWordSize = 4;

inline constexpr std::uint8_t kOpen = 0x00;         // 4-byte phone attribute word, name
inline constexpr std::uint8_t kRead = 0x01;         // 4-byte count -> the bytes
inline constexpr std::uint8_t kWrite = 0x02;        // 4-byte count, the bytes
inline constexpr std::uint8_t kClose = 0x04;        // -
inline constexpr std::uint8_t kDelete = 0x05;       // name
inline constexpr std::uint8_t kSearch = 0x07;       // UCS-2 pattern, 00 00 -> 2-byte count
inline constexpr std::uint8_t kNextEntries = 0x08;  // 0x03 -> a batch of entries
inline constexpr std::uint8_t kVolumes = 0x0A;      // - -> volume names
inline constexpr std::uint8_t kFreeSpace = 0x0B;    // 10 bytes naming the volume -> 4 bytes

inline constexpr std::uint8_t kNextEntriesRequest = 0x03;

// One-byte replies that are error codes.
inline constexpr std::uint8_t kReplyError = 0x01;      // read, write, delete
inline constexpr std::uint8_t kReplyEndOfFile = 0x08;  // read

// Block limits of one read and one write request.
inline constexpr std::size_t kMaxReadBlock = 4096;
inline constexpr std::size_t kMaxWriteBlock = 1024;

// Listing reply: 2-byte entry count, 2 unused bytes, then entries of 268 bytes. The host's
// reply buffer holds 808 bytes, so at most three entries arrive per reply.
inline constexpr std::size_t kListReplySize = 808;
inline constexpr std::size_t kListHeaderSize = 4;
inline constexpr std::size_t kEntrySize = 268;
inline constexpr std::size_t kEntryNameSize = 260;  // 8-bit characters, zero-padded
inline constexpr std::size_t kEntryAttrAt = 260;    // phone attribute word, 2 bytes
inline constexpr std::size_t kEntryKindAt = 262;    // kind word, 2 bytes
inline constexpr std::size_t kEntrySizeAt = 264;    // size in bytes, 4 bytes

// The sub-command word.
constexpr std::array<std::uint8_t, kWordSize> Word(std::uint8_t variant, std::uint8_t sub) {
  return {0, variant, 0, sub};
}

// How many whole entries of a listing reply lie inside the bytes received: the count the
// reply declares, bounded by what actually arrived.
std::size_t EntriesIn(std::span<const std::uint8_t> received);

}  // namespace fsac

// Longest phone name the operations accept (FileOpen alone accepts one more).
inline constexpr std::size_t kMaxPhoneName = 255;

// The program's attribute bits. faOpenForRead is used only to open a file for reading.
enum P2KAttribute : std::uint16_t {
  faReadOnly = 0x01,
  faHidden = 0x02,
  faSystem = 0x04,
  faVolume = 0x08,
  faDirectory = 0x10,
  faArchive = 0x20,
  faNoDistribute = 0x40,
  faOpenForRead = 0x80,
};

// The seven named bits in bit order.
inline constexpr std::array<std::pair<std::uint16_t, std::string_view>, 7> kAttributeNames{{
    {faReadOnly, "ReadOnly"},
    {faHidden, "Hidden"},
    {faSystem, "System"},
    {faVolume, "Volume"},
    {faDirectory, "Directory"},
    {faArchive, "Archive"},
    {faNoDistribute, "NDIS(No Distribute)"},
}};

// One entry of a file listing. GetFileList owns the record it hands to a callback; a caller
// that keeps it copies it.
struct P2KFileRecord {
  std::uint32_t Size = 0;
  std::uint16_t Attr = 0;  // program attribute bits, with the kind bits 0x100..0x800
  std::string Name;        // 8-bit (Windows-1251) characters, at most 255
  bool operator==(const P2KFileRecord&) const = default;
};

// Receives each listed entry; false asks the listing to stop.
using FileListCallback = std::function<bool(const P2KFileRecord& record)>;

// Receives (done, total) after each block of a copy; false asks the copy to stop.
using ProgressCallback = std::function<bool(std::int64_t done, std::int64_t total)>;

// Takes each block a download received; false when the host could not keep it.
using BlockSink = std::function<bool(std::span<const std::uint8_t> block)>;
// Fills `buffer` with the next bytes of an upload's host file: how many it put there, 0 at the
// end of the file, -1 when reading failed.
using BlockSource = std::function<std::int64_t(std::span<std::uint8_t> buffer)>;

// How a whole-file copy ended.
enum class CopyEnd {
  Whole,            // every byte arrived and the phone file was closed
  StoppedByCaller,  // the progress callback asked to stop; the phone file was closed
  PhoneFailed,      // a request failed or was refused (the item reported which)
  HostFailed,       // the sink or the source failed
};

// "ReadOnly+Hidden+Archive" for 0x23; empty text for none of the seven bits.
std::string AttrToText(std::uint16_t attributes);
// Every name found anywhere in `text` (case-sensitive) sets its bit.
std::uint16_t TextToAttr(std::string_view text);
// From an entry's phone attribute word and kind word.
std::uint16_t PhoneAttrToAttr(std::uint16_t phoneAttr, std::uint16_t kind);
// The word an open request carries; only the low byte of `attributes` counts.
std::uint32_t AttrToPhoneAttr(std::uint16_t attributes);

// Fills `record` from one 268-byte entry: the name up to its first zero byte (bounded by the
// field), trimmed of blanks and control characters and cut to 255 characters.
void ParseFileEntry(std::span<const std::uint8_t, fsac::kEntrySize> entry, P2KFileRecord& record);

// The volume names of a volumes reply, one per line, lines separated by CR LF.
std::string DecodeDrivesReply(std::span<const std::uint8_t> reply);

}  // namespace vestrel::phonelink
