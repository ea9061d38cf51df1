// The built-in sample phone of the P2K personality.
#include <algorithm>
#include <cctype>
#include <string_view>

#include "platform/virtual/P2KPersonality.h"

namespace vestrel::virtualphone {

namespace {

constexpr std::uint16_t kReadOnly = 0x01;
constexpr std::uint16_t kHidden = 0x02;
constexpr std::uint16_t kSystem = 0x04;

// Stored data elements are 64-byte records.
constexpr std::size_t kElementSize = 64;

// Contents that look like a file of their kind: the format's magic bytes, then bytes that
// follow from the name, so every run and every fresh folder holds the same phone.
std::vector<std::uint8_t> Contents(std::string_view name, std::string_view magic,
                                   std::size_t size) {
  std::vector<std::uint8_t> bytes(magic.begin(), magic.end());
  std::uint32_t seed = 2166136261u;
  for (char c : name) seed = (seed ^ static_cast<std::uint8_t>(c)) * 16777619u;
  while (bytes.size() < size) {
    seed = seed * 1664525u + 1013904223u;
    bytes.push_back(static_cast<std::uint8_t>(seed >> 24));
  }
  bytes.resize(size);
  return bytes;
}

std::vector<std::uint8_t> Text(std::string_view text) { return {text.begin(), text.end()}; }

// A model name as 16-bit characters, low byte first.
std::vector<std::uint8_t> ModelElement(std::string_view model) {
  std::vector<std::uint8_t> bytes(kElementSize, 0);
  for (std::size_t i = 0; i < model.size() && 2 * i + 1 < kElementSize; ++i) {
    bytes[2 * i] = static_cast<std::uint8_t>(model[i]);
  }
  return bytes;
}

// A version text after a 3-byte record header (format 1, text length high byte first); the
// phone-information dialog reads it from offset 4.
std::vector<std::uint8_t> VersionElement(std::string_view text) {
  std::vector<std::uint8_t> bytes(kElementSize, 0);
  bytes[0] = 0x01;
  bytes[1] = static_cast<std::uint8_t>(text.size() >> 8);
  bytes[2] = static_cast<std::uint8_t>(text.size());
  std::copy_n(text.begin(), std::min(text.size(), kElementSize - 3), bytes.begin() + 3);
  return bytes;
}

}  // namespace

std::uint16_t KindForName(const std::string& name) {
  const auto dot = name.rfind('.');
  const auto slash = name.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return 0;
  std::string ext = name.substr(dot + 1);
  for (auto& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (std::string_view e : {"mid", "midi", "mp3", "wav", "amr", "mmf", "imy"}) {
    if (ext == e) return 2;  // tone
  }
  for (std::string_view e : {"jpg", "jpeg", "gif", "png", "bmp", "wbmp"}) {
    if (ext == e) return 14;  // picture
  }
  for (std::string_view e : {"3gp", "mp4"}) {
    if (ext == e) return 17;  // video
  }
  for (std::string_view e : {"jar", "jad"}) {
    if (ext == e) return 12;  // Java application
  }
  return 0;
}

P2KPhoneState SamplePhoneState() {
  using namespace std::literals;  // magic bytes with zeros inside
  P2KPhoneState state;
  state.volumes = {{"/a", 5u * 1024 * 1024}, {"/c", 1024u * 1024}};

  struct Sample {
    std::string name;
    std::uint16_t attributes;
    std::string_view magic;
    std::size_t size;
  };
  // "Звонок.mid" in Windows-1251.
  const std::string cyrillicTone = "/a/mobile/audio/\xC7\xE2\xEE\xED\xEE\xEA.mid";
  const Sample samples[] = {
      {"/a/mobile/audio/MyToneDB.db", 0, "TDB1", 1536},
      {"/a/mobile/audio/TempToneDB.db", 0, "TDB1", 512},
      {"/a/mobile/audio/Ring01.mid", 0, "MThd\0\0\0\x06"sv, 3120},
      {"/a/mobile/audio/Alarm.mp3", 0, "ID3\x03", 6400},
      {cyrillicTone, 0, "MThd\0\0\0\x06"sv, 2048},
      {"/a/mobile/picture/Wallpaper.jpg", 0, "\xFF\xD8\xFF\xE0", 8192},
      {"/a/mobile/picture/Photo001.jpg", 0, "\xFF\xD8\xFF\xE1", 12000},
      {"/a/mobile/picture/Logo.gif", kReadOnly, "GIF89a", 1400},
      {"/a/mobile/video/Clip01.3gp", 0,
       "\0\0\0\x18"
       "ftyp3gp4"sv,
       20000},
      {"/a/mobile/kjava/Game.jar", 0, "PK\x03\x04", 4000},
      {"/a/mobile/system/phonebook.db", kHidden, "PBK1", 2500},
      {"/a/mobile/system/config.bin", kHidden | kSystem, "CFG\x01", 256},
      {"/c/system/flexbit.bin", kReadOnly | kSystem, "FLX\x01", 1024},
  };
  for (const auto& s : samples) {
    PhoneFile file;
    file.attributes = s.attributes;
    file.kind = KindForName(s.name);
    file.contents = Contents(s.name, s.magic, s.size);
    state.files.emplace(s.name, std::move(file));
  }
  PhoneFile readme;
  readme.attributes = kReadOnly;
  readme.contents =
      Text("Vestrel virtual phone E398. Files under /a/mobile/ are yours to copy.\r\n");
  state.files.emplace("/a/mobile/readme.txt", std::move(readme));

  state.elements[{0x0117, 1}] = ModelElement("E398");
  state.elements[{0x02D2, 1}] = VersionElement("R373_G_0E.30.49R");
  state.elements[{0x02D3, 1}] = VersionElement("E398_G_0E.30.49R_FLEX_04");
  return state;
}

}  // namespace vestrel::virtualphone
