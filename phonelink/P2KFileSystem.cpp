// File-system layout commands of TMotoP2KModemItem and the FSAC helpers.
#include "phonelink/P2KFileSystem.h"

#include <algorithm>
#include <array>
#include <vector>

#include "phonelink/Bytes.h"
#include "phonelink/MotoP2KMode.h"
#include "phonelink/MotoSysUtils.h"

namespace vestrel::phonelink {

namespace {

constexpr std::size_t kSmallReply = 256;

// Blanks and control characters, as a trim of 8-bit text removes them.
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

}  // namespace

std::size_t fsac::EntriesIn(std::span<const std::uint8_t> received) {
  if (received.size() < kListHeaderSize) return 0;
  const std::size_t declared = bytes::LoadBe16(received);
  const std::size_t arrived = (received.size() - kListHeaderSize) / kEntrySize;
  return std::min(declared, arrived);
}

std::string AttrToText(std::uint16_t attributes) {
  std::string text;
  for (const auto& [bit, name] : kAttributeNames) {
    if ((attributes & bit) == 0) continue;
    text += name;
    text += '+';
  }
  if (!text.empty()) text.pop_back();
  return text;
}

std::uint16_t TextToAttr(std::string_view text) {
  std::uint16_t attributes = 0;
  for (const auto& [bit, name] : kAttributeNames) {
    if (text.find(name) != std::string_view::npos) attributes |= bit;
  }
  return attributes;
}

std::uint16_t PhoneAttrToAttr(std::uint16_t phoneAttr, std::uint16_t kind) {
  std::uint16_t attributes = phoneAttr & 0x0F;
  if ((phoneAttr & 0x0A) == 0x0A) attributes |= faDirectory;
  if ((phoneAttr & 0x14) == 0x14) attributes |= faArchive;
  if ((phoneAttr & 0x28) == 0x28) attributes |= faNoDistribute;
  switch (kind) {
    case 2:
      attributes |= 0x100;
      break;
    case 14:
      attributes |= 0x200;
      break;
    case 17:
      attributes |= 0x400;
      break;
    case 12:
      attributes |= 0x800;
      break;
    default:
      break;
  }
  return attributes;
}

std::uint32_t AttrToPhoneAttr(std::uint16_t attributes) {
  const std::uint8_t a = attributes & 0xFF;
  if ((a & faOpenForRead) != 0) return 0xFF;
  std::uint32_t word = a & 0x0F;
  if ((a & faDirectory) != 0) word += 0x0A;
  if ((a & faArchive) != 0) word += 0x14;
  if ((a & faNoDistribute) != 0) word += 0x28;
  return word;
}

void ParseFileEntry(std::span<const std::uint8_t, fsac::kEntrySize> entry, P2KFileRecord& record) {
  record.Size = bytes::LoadBe32(entry.subspan(fsac::kEntrySizeAt, 4));
  record.Attr = static_cast<std::uint16_t>(
      PhoneAttrToAttr(bytes::LoadBe16(entry.subspan(fsac::kEntryAttrAt, 2)),
                      bytes::LoadBe16(entry.subspan(fsac::kEntryKindAt, 2))));
  // The name ends at its first zero byte or at the end of its field, whichever comes first.
  const auto field = entry.first(fsac::kEntryNameSize);
  const auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
  std::string_view name(reinterpret_cast<const char*>(field.data()),
                        static_cast<std::size_t>(end - field.begin()));
  while (!name.empty() && IsBlank(name.front())) name.remove_prefix(1);
  while (!name.empty() && IsBlank(name.back())) name.remove_suffix(1);
  record.Name.assign(name.substr(0, kMaxPhoneName));
}

std::string DecodeDrivesReply(std::span<const std::uint8_t> reply) {
  // Each kept byte is a character of its own (UCS-2 code 00xx); FF FE is the line break between
  // two names. Bytes go straight into the text: a detour through the UCS-2 hex helpers would
  // turn "|" into the pattern separator's 0xFE.
  std::string drives;
  drives.reserve(reply.size());
  for (std::size_t i = 0; i < reply.size(); ++i) {
    const std::uint8_t b = reply[i];
    if (b == 0x00 || b == 0xFE) continue;
    if (b == 0xFF && i + 1 < reply.size() && reply[i + 1] == 0xFE) {
      drives += "\r\n";
      ++i;
      continue;
    }
    drives += static_cast<char>(b);
  }
  return drives;
}

bool TMotoP2KModemItem::GetDrives(std::string& drives) {
  drives.clear();
  if (!IsOpen()) {
    DoDebug("Get Drives is Failed - Phone isn`t open", dtError, false);
    return false;
  }
  const auto word = fsac::Word(0, fsac::kVolumes);
  std::array<std::uint8_t, kSmallReply> reply{};
  std::uint16_t length = 0;
  if (!ExecuteCommand(fsac::kCommand, word, reply, length)) {
    DoDebug("Get Drives Failed - Read Command is Error", dtError, false);
    return false;
  }
  DoDebug("Get Drives", dtInformation, false);
  drives = DecodeDrivesReply(std::span(reply).first(std::min<std::size_t>(length, reply.size())));
  return true;
}

std::int32_t TMotoP2KModemItem::GetFreeSpace(char volume) {
  if (!IsOpen()) {
    DoDebug("Get Free Spase is Failed - Phone isn`t open", dtError, false);
    return 0;
  }
  const auto word = fsac::Word(0, fsac::kFreeSpace);
  const std::array<std::uint8_t, 14> payload{
      word[0], word[1], word[2], word[3], 0x00,
      0x07,    0x00,    0x2F,    0x00,    static_cast<std::uint8_t>(volume),
      0x00,    0x2F,    0x00,    0x00};
  // Zeroed, so that a reply shorter than four bytes reads as its bytes followed by zeros.
  std::array<std::uint8_t, kSmallReply> reply{};
  std::uint16_t length = 0;
  if (!ExecuteCommand(fsac::kCommand, payload, reply, length)) {
    DoDebug("Get Free Spase Failed - Read Command is Error", dtError, false);
    return 0;
  }
  DoDebug("Get Free Spase", dtInformation, false);
  return static_cast<std::int32_t>(bytes::LoadBe32(reply));
}

std::int32_t TMotoP2KModemItem::GetFileCount(std::string_view pattern) {
  if (!IsOpen()) {
    DoDebug("Get File Count is Failed - Phone isn`t open", dtError, false);
    return 0;
  }
  const std::string hex =
      std::string(FsacVariant() == 0 ? "00000007" : "00010007") + TextToUCS2Hex(pattern) + "0000";
  std::vector<std::uint8_t> payload;
  payload.reserve(hex.size() / 2);
  for (std::size_t at = 0; at + 2 <= hex.size(); at += 2) {
    payload.push_back(
        static_cast<std::uint8_t>(HexToIntDef(std::string_view(hex).substr(at, 2), 0)));
  }
  std::array<std::uint8_t, kSmallReply> reply{};
  std::uint16_t length = 0;
  if (!ExecuteCommand(fsac::kCommand, payload, reply, length)) {
    DoDebug("Get File Count is Failed - Read Command is Error", dtError, false);
    return 0;
  }
  if (length != 2) {
    DoDebug("Get File Count is Failed - Recv Data is Error", dtError, false);
    return 0;
  }
  DoDebug("Get File Count Phone", dtInformation, false);
  return static_cast<std::int32_t>(bytes::LoadBe16(reply));
}

bool TMotoP2KModemItem::GetFileList(std::int32_t count, std::vector<P2KFileRecord>* list,
                                    const FileListCallback& callback) {
  if (!IsOpen()) {
    DoDebug("Get File List is Failed - Phone isn`t open", dtError, false);
    return false;
  }
  if (count < 1) return false;

  const auto word = fsac::Word(FsacVariant(), fsac::kNextEntries);
  const std::array<std::uint8_t, 5> request{word[0], word[1], word[2], word[3],
                                            fsac::kNextEntriesRequest};
  std::array<std::uint8_t, fsac::kListReplySize> reply;
  P2KFileRecord record;
  for (std::int32_t round = 0; round < count; ++round) {
    reply.fill(0);
    std::uint16_t length = 0;
    if (!ExecuteCommand(fsac::kCommand, request, reply, length)) {
      DoDebug("Get File List is Failed - Read Command is Error", dtError, false);
      break;
    }
    // Only entries that arrived whole are read, whatever count the reply declares.
    const auto received =
        std::span<const std::uint8_t>(reply).first(std::min<std::size_t>(length, reply.size()));
    const std::size_t entries = fsac::EntriesIn(received);
    bool stop = false;
    for (std::size_t i = 0; i < entries; ++i) {
      ParseFileEntry(
          received.subspan(fsac::kListHeaderSize + i * fsac::kEntrySize).first<fsac::kEntrySize>(),
          record);
      if (callback) {
        try {
          if (!callback(record)) stop = true;
        } catch (...) {
          // A failing callback neither stops nor breaks the listing.
        }
      }
      if (list != nullptr) list->push_back(record);
      // Cleared for the next entry; the name keeps its storage.
      record.Size = 0;
      record.Attr = 0;
      record.Name.clear();
    }
    if (stop) break;
  }
  DoDebug("Get File List", dtInformation, false);
  return true;
}

}  // namespace vestrel::phonelink
