#include "backup/BackupDescription.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "backup/Manifest.h"
#include "backup/ModelMemoryMap.h"
#include "backup/WholeText.h"
#include "generated/Version.h"
#include "platform/HostFileSystem.h"

namespace vestrel::backup {

namespace fs = std::filesystem;
using Ending = ElementRecord::Ending;

namespace {

constexpr Ending kEndings[] = {Ending::Saved, Ending::Packed, Ending::Failed, Ending::Stopped};

std::string Hex8(std::uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
  return text;
}

// Tabs and line ends inside a field would split the line; a failure text may hold a path.
std::string OneField(std::string text) {
  for (char& c : text) {
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  }
  return text;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream words(line);
  for (std::string field; std::getline(words, field, '\t');) fields.push_back(field);
  if (!line.empty() && line.back() == '\t') fields.emplace_back();
  return fields;
}

bool ReadElement(const std::vector<std::string>& fields, ElementRecord& element) {
  if (fields.size() < 8) return false;
  const auto start = ParseAddress(fields[2]);
  const auto finish = ParseAddress(fields[3]);
  if (!start || !finish) return false;
  std::uint64_t length = 0;
  const std::string& bytes = fields[4];
  const auto [end, ec] = std::from_chars(bytes.data(), bytes.data() + bytes.size(), length);
  if (ec != std::errc() || end != bytes.data() + bytes.size()) return false;
  bool known = false;
  for (const Ending ending : kEndings) {
    if (fields[5] == EndingWord(ending)) {
      element.ending = ending;
      known = true;
    }
  }
  if (!known) return false;
  element.name = fields[1];
  element.start = *start;
  element.finish = *finish;
  element.length = length;
  element.file = fields[6];
  element.digest = fields[7];
  element.detail = fields.size() > 8 ? fields[8] : std::string();
  return true;
}

}  // namespace

const char* EndingWord(Ending ending) {
  switch (ending) {
    case Ending::Saved:
      return "saved";
    case Ending::Packed:
      return "packed";
    case Ending::Failed:
      return "failed";
    case Ending::Stopped:
      return "stopped";
  }
  return "failed";
}

BackupDescription BackupDescription::Read(const fs::path& folder, std::string& error) {
  BackupDescription description;
  const fs::path file = folder / kDescriptionName;
  std::error_code code;
  if (!fs::exists(file, code)) return description;
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    error = "cannot read " + platform::Utf8FromPath(file);
    return description;
  }
  for (std::string line; std::getline(in, line);) {
    const auto fields = Fields(line);
    if (fields.size() < 2) continue;
    if (fields[0] == "model") description.model = fields[1];
    if (fields[0] == "firmware") description.firmware = fields[1];
    if (fields[0] == "date") description.date = fields[1];
    if (fields[0] == "program") description.program = fields[1];
    ElementRecord element;
    if (fields[0] == "element" && ReadElement(fields, element)) description.Put(element);
  }
  return description;
}

void BackupDescription::Put(const ElementRecord& element) {
  for (auto& known : elements) {
    if (known.name == element.name) {
      known = element;
      return;
    }
  }
  elements.push_back(element);
}

const ElementRecord* BackupDescription::Find(const std::string& name) const {
  for (const auto& element : elements) {
    if (element.name == name) return &element;
  }
  return nullptr;
}

std::string BackupDescription::Write(const fs::path& folder) const {
  std::string text =
      "# The backup in this folder; element: NAME START END BYTES ENDING FILE SHA256 DETAIL\n";
  text += "model\t" + OneField(model) + "\n";
  text += "firmware\t" + OneField(firmware) + "\n";
  text += "date\t" + date + "\n";
  text += "program\t" + program + "\n";
  for (const auto& element : elements) {
    text += "element\t" + element.name + "\t" + Hex8(element.start) + "\t" + Hex8(element.finish) +
            "\t" + std::to_string(element.length) + "\t" + EndingWord(element.ending) + "\t" +
            OneField(element.file) + "\t" + element.digest + "\t" + OneField(element.detail) + "\n";
  }
  return ReplaceWithText(folder / kDescriptionName, text);
}

void BackupDescription::Stamp() {
  using namespace std::chrono;
  const auto now = floor<seconds>(system_clock::now());
  const auto day = floor<days>(now);
  const year_month_day date_(day);
  const hh_mm_ss time(now - day);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date_.year()),
                static_cast<unsigned>(date_.month()), static_cast<unsigned>(date_.day()),
                static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                static_cast<int>(time.seconds().count()));
  date = text;
  program = std::string("vestrel ") + kVersion;
}

}  // namespace vestrel::backup
