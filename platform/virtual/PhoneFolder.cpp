// The folder that keeps a virtual phone's P2K side between runs (docs/virtual-phone.md).
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/virtual/P2KPersonality.h"
#include "text/Windows1251.h"

namespace vestrel::virtualphone {

namespace fs = std::filesystem;

namespace {

std::string ToUtf8(std::string_view phone) { return text::Windows1251ToUtf8(phone); }

std::optional<std::string> FromUtf8(std::string_view utf8) {
  return text::Utf8ToWindows1251(utf8);
}

[[noreturn]] void Fail(const char* what, const fs::path& path, int error = 0) {
  throw fs::filesystem_error(what, path,
                             std::error_code(error ? error : EIO, std::generic_category()));
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
    unsigned value = 0;
    if (std::sscanf(std::string(text.substr(i, 2)).c_str(), "%2x", &value) != 1) {
      return std::nullopt;
    }
    bytes.push_back(static_cast<std::uint8_t>(value));
  }
  return bytes;
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
    std::ifstream in(settings);
    if (!in) Fail("Cannot open phone settings", settings, errno);
    std::string line;
    while (std::getline(in, line)) {
      std::istringstream words(line);
      std::string key;
      words >> key;
      if (key == "volume") {
        PhoneVolume volume;
        words >> volume.name >> volume.capacity;
        if (words && PlainVolume(volume.name)) state.volumes.push_back(volume);
      } else if (key == "element") {
        unsigned element = 0, record = 0;
        std::string hex;
        words >> std::hex >> element >> record >> hex;
        const auto bytes = FromHex(hex);
        if (words && bytes && element <= 0xFFFF && record <= 0xFFFF) {
          state
              .elements[{static_cast<std::uint16_t>(element), static_cast<std::uint16_t>(record)}] =
              *bytes;
        }
      } else if (key == "asleep") {
        int asleep = 0;
        words >> asleep;
        state.asleep = asleep != 0;
      }
    }
  }

  // The files are whatever the volume folders hold now.
  for (const auto& volume : state.volumes) {
    const fs::path root = folder_ / kFilesFolder / volume.name.substr(1);
    if (!fs::is_directory(root)) continue;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
      if (!it->is_regular_file() || it->is_symlink()) continue;
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

  // Attribute and kind words: "AAAA KKKK name", the name in UTF-8.
  std::ifstream words(folder_ / kWordsFile);
  std::string line;
  while (std::getline(words, line)) {
    if (line.size() < 11 || line[4] != ' ' || line[9] != ' ') continue;
    const auto name = FromUtf8(std::string_view(line).substr(10));
    const auto numbers = FromHex(line.substr(0, 4) + line.substr(5, 4));
    if (!name || !numbers) continue;
    const auto it = state.files.find(*name);
    if (it == state.files.end()) continue;
    it->second.attributes = static_cast<std::uint16_t>(((*numbers)[0] << 8) | (*numbers)[1]);
    it->second.kind = static_cast<std::uint16_t>(((*numbers)[2] << 8) | (*numbers)[3]);
  }
  return state;
}

void PhoneFolder::WriteAtomically(const fs::path& target, std::span<const std::uint8_t> bytes) {
  // Written beside the folder's files, then renamed into place: a crash leaves the old file.
  const fs::path incoming = folder_ / ".p2k-incoming";
  {
    std::ofstream out(incoming, std::ios::binary | std::ios::trunc);
    if (!out) Fail("Cannot create phone file", incoming, errno);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) Fail("Cannot write phone file", incoming, errno);
  }
  std::error_code ec;
  fs::rename(incoming, target, ec);
  if (ec) Fail("Cannot replace phone file", target, ec.value());
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
    if (!path || it == state.files.end()) return false;
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
    if (!path) return false;
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
