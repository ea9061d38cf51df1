// The folder that keeps a virtual phone's P2K side between runs (docs/virtual-phone.md).
#include <array>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include "platform/HostFileSystem.h"
#include "platform/virtual/P2KPersonality.h"
#include "text/Windows1251.h"

namespace vestrel::virtualphone {

namespace fs = std::filesystem;

namespace {

std::string ToUtf8(std::string_view phone) { return text::Windows1251ToUtf8(phone); }

std::optional<std::string> FromUtf8(std::string_view utf8) { return text::Utf8ToWindows1251(utf8); }

[[noreturn]] void Fail(const char* what, const fs::path& path, int error = 0) {
  throw fs::filesystem_error(what, path,
                             std::error_code(error ? error : EIO, std::generic_category()));
}

[[noreturn]] void Fail(const char* what, const fs::path& path, std::error_code error) {
  throw fs::filesystem_error(what, path, error);
}

std::string Hex(std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (auto b : bytes) {
    text.push_back(kDigits[b >> 4]);
    text.push_back(kDigits[b & 0xF]);
  }
  return text;
}

std::optional<std::vector<std::uint8_t>> FromHex(std::string_view text) {
  if (text.size() % 2 != 0) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i < text.size(); i += 2) {
    std::uint8_t value = 0;
    const auto [end, ec] = std::from_chars(text.data() + i, text.data() + i + 2, value, 16);
    if (ec != std::errc() || end != text.data() + i + 2) return std::nullopt;
    bytes.push_back(value);
  }
  return bytes;
}

// A whole number in 0..limit written in `base`, nothing else.
template <class Number>
std::optional<Number> ParseNumber(const std::string& word, int base) {
  Number value{};
  const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value, base);
  if (word.empty() || ec != std::errc() || end != word.data() + word.size()) return std::nullopt;
  return value;
}

std::vector<std::uint8_t> ReadWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail("Cannot open phone file", path, errno);
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
  if (in.bad()) Fail("Cannot read phone file", path, errno);
  return bytes;
}

// A volume name the folder can hold: "/" and letters or digits.
bool PlainVolume(const std::string& name) {
  if (name.size() < 2 || name[0] != '/') return false;
  for (std::size_t i = 1; i < name.size(); ++i) {
    if (!std::isalnum(static_cast<unsigned char>(name[i]))) return false;
  }
  return true;
}

}  // namespace

PhoneFolder::PhoneFolder(fs::path folder) : folder_(std::move(folder)) {}

std::optional<fs::path> PhoneFolder::HostPath(const std::string& name) const {
  // "/a/mobile/x" lives at files/a/mobile/x; the personality has checked the name's parts.
  if (name.size() < 2 || name[0] != '/') return std::nullopt;
  const std::string utf8 = ToUtf8(std::string_view(name).substr(1));
  // As UTF-8 on every host (a plain string would be the ANSI code page on Windows).
  const std::u8string u8(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size());
  return folder_ / kFilesFolder / fs::path(u8, fs::path::generic_format);
}

P2KPhoneState PhoneFolder::Load() {
  std::error_code ec;
  fs::create_directories(folder_, ec);
  if (ec) Fail("Cannot create phone folder", folder_, ec.value());

  P2KPhoneState state;
  const fs::path settings = folder_ / kSettingsFile;
  if (!fs::exists(settings)) {
    // A new phone: the sample's settings and files, keeping files the folder already has.
    state = SamplePhoneState();
    for (const auto& [name, file] : state.files) {
      const auto path = HostPath(name);
      if (path && !fs::exists(*path)) {
        fs::create_directories(path->parent_path());
        WriteAtomically(*path, file.contents);
      }
    }
    WriteSettings(state);
    WriteWords(state);
    state.files.clear();
  } else {
    ReadSettings(state);
  }

  // The files are whatever the volume folders hold now.
  for (const auto& volume : state.volumes) {
    const fs::path root = folder_ / kFilesFolder / volume.name.substr(1);
    if (!fs::is_directory(root)) continue;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
      bool link = false;
      if (platform::IsHostLink(it->path(), link) || link) {
        // What a link leads to is no part of the phone, nor is anything below it.
        it.disable_recursion_pending();
        continue;
      }
      if (!it->is_regular_file()) continue;
      const std::u8string u8 = fs::relative(it->path(), root).generic_u8string();
      const auto relative =
          FromUtf8(std::string_view(reinterpret_cast<const char*>(u8.data()), u8.size()));
      if (!relative) continue;
      const std::string name = volume.name + "/" + *relative;
      if (name.size() > 255) continue;
      PhoneFile file;
      file.kind = KindForName(name);
      file.contents = ReadWhole(it->path());
      state.files.emplace(name, std::move(file));
    }
  }

  ReadWords(state);
  return state;
}

// What the folder's own files hold is checked line by line: a line that makes no sense is an
// error naming the file and the line, never a value read some other way.
void PhoneFolder::ReadSettings(P2KPhoneState& state) const {
  const fs::path settings = folder_ / kSettingsFile;
  std::ifstream in(settings);
  if (!in) Fail("Cannot open phone settings", settings, errno);
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    const auto refuse = [&](const std::string& why) {
      throw std::runtime_error(platform::Utf8FromPath(settings) + " line " +
                               std::to_string(number) + ": " + why + ": " + line);
    };
    std::istringstream words(line);
    std::string key, first, second, third, extra;
    words >> key >> first >> second >> third >> extra;
    if (key.empty() || key[0] == '#') continue;
    if (key == "volume") {
      const auto capacity = ParseNumber<std::uint32_t>(second, 10);
      if (!PlainVolume(first)) refuse("a volume is \"/\" and letters or digits");
      if (!capacity || !third.empty())
        refuse("a volume's capacity is a byte count up to 4294967295");
      state.volumes.push_back({first, *capacity});
    } else if (key == "element") {
      const auto element = ParseNumber<std::uint16_t>(first, 16);
      const auto record = ParseNumber<std::uint16_t>(second, 16);
      const auto bytes = FromHex(third);
      if (!element || !record || !bytes || !extra.empty()) {
        refuse("an element is its number and record in hex, then its bytes in hex");
      }
      state.elements[{*element, *record}] = *bytes;
    } else if (key == "asleep") {
      if ((first != "0" && first != "1") || !second.empty()) refuse("asleep is 0 or 1");
      state.asleep = first == "1";
    } else {
      refuse("unknown setting \"" + key + "\"");
    }
  }
}

// Attribute and kind words: "AAAA KKKK name", the name in UTF-8. A line for a file the folder
// does not hold is ignored.
void PhoneFolder::ReadWords(P2KPhoneState& state) const {
  const fs::path file = folder_ / kWordsFile;
  std::ifstream words(file);
  std::string line;
  for (int number = 1; std::getline(words, line); ++number) {
    if (line.empty()) continue;
    const bool shaped = line.size() >= 11 && line[4] == ' ' && line[9] == ' ';
    const auto name = shaped ? FromUtf8(std::string_view(line).substr(10)) : std::nullopt;
    const auto numbers = shaped ? FromHex(line.substr(0, 4) + line.substr(5, 4)) : std::nullopt;
    if (!name || !numbers) {
      throw std::runtime_error(platform::Utf8FromPath(file) + " line " + std::to_string(number) +
                               ": not \"AAAA KKKK name\" (attribute and kind word in hex, a "
                               "name with a Windows-1251 form): " +
                               line);
    }
    const auto it = state.files.find(*name);
    if (it == state.files.end()) continue;
    it->second.attributes = static_cast<std::uint16_t>(((*numbers)[0] << 8) | (*numbers)[1]);
    it->second.kind = static_cast<std::uint16_t>(((*numbers)[2] << 8) | (*numbers)[3]);
  }
}

bool PhoneFolder::StaysInside(const fs::path& path) const {
  fs::path at = folder_;
  for (const auto& part : path.lexically_relative(folder_)) {
    if (part == "..") return false;
    at /= part;
    bool link = false;
    const auto error = platform::IsHostLink(at, link);
    if (error == std::errc::no_such_file_or_directory) return true;  // made by us from here on
    // A name that cannot be looked at may be a link as well.
    if (error || link) return false;
  }
  return true;
}

void PhoneFolder::WriteAtomically(const fs::path& target, std::span<const std::uint8_t> bytes) {
  if (!StaysInside(target))
    Fail("Refusing a path that leads out of the phone folder", target, ELOOP);
  // A crash leaves the old file and, at worst, a temporary of its own name.
  fs::path incoming;
  std::error_code ec;
  auto file = platform::HostFileHandle::CreateUnique(folder_, ".p2k-incoming", "", incoming, ec);
  if (!file.isOpen()) Fail("Cannot create phone file", folder_ / ".p2k-incoming", ec);
  ec = file.write(bytes);
  if (!ec) ec = file.giveKeep(platform::NewHostFileKeep());
  if (const auto closed = file.close(); !ec) ec = closed;
  if (ec) {
    platform::RemoveHostFile(incoming);
    Fail("Cannot write phone file", incoming, ec);
  }
  fs::rename(incoming, target, ec);
  if (!ec) return;
  platform::RemoveHostFile(incoming);
  Fail("Cannot replace phone file", target, ec);
}

void PhoneFolder::WriteSettings(const P2KPhoneState& state) {
  std::string text =
      "# Vestrel virtual phone, P2K side: volumes with their capacity in bytes, stored data\n"
      "# elements (element and record in hex, then the bytes), and the sleep state.\n";
  for (const auto& volume : state.volumes) {
    text += "volume " + volume.name + " " + std::to_string(volume.capacity) + "\n";
  }
  for (const auto& [key, bytes] : state.elements) {
    char head[32];
    std::snprintf(head, sizeof head, "element %04X %04X ", key.first, key.second);
    text += head + Hex(bytes) + "\n";
  }
  text += std::string("asleep ") + (state.asleep ? "1" : "0") + "\n";
  WriteAtomically(folder_ / kSettingsFile,
                  std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

void PhoneFolder::WriteWords(const P2KPhoneState& state) {
  std::string text;
  for (const auto& [name, file] : state.files) {
    char head[16];
    std::snprintf(head, sizeof head, "%04X %04X ", file.attributes, file.kind);
    text += head + ToUtf8(name) + "\n";
  }
  WriteAtomically(folder_ / kWordsFile,
                  std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

bool PhoneFolder::saveFile(const P2KPhoneState& state, const std::string& name) {
  try {
    const auto path = HostPath(name);
    const auto it = state.files.find(name);
    if (!path || it == state.files.end() || !StaysInside(*path)) return false;
    fs::create_directories(path->parent_path());
    WriteAtomically(*path, it->second.contents);
    WriteWords(state);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool PhoneFolder::saveWords(const P2KPhoneState& state) {
  try {
    WriteWords(state);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool PhoneFolder::removeFile(const P2KPhoneState& state, const std::string& name) {
  try {
    const auto path = HostPath(name);
    if (!path || !StaysInside(*path)) return false;
    std::error_code ec;
    if (!fs::remove(*path, ec) && ec) return false;
    // Folders left empty go too, up to the volume's own folder.
    const fs::path files = folder_ / kFilesFolder;
    for (fs::path dir = path->parent_path();
         dir.has_parent_path() && dir.parent_path() != files && dir != files;
         dir = dir.parent_path()) {
      if (!fs::is_empty(dir, ec) || ec) break;
      fs::remove(dir, ec);
    }
    WriteWords(state);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool PhoneFolder::saveSettings(const P2KPhoneState& state) {
  try {
    WriteSettings(state);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace vestrel::virtualphone
