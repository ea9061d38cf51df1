#include "platform/PhoneTable.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/Environment.h"
#include "platform/HostFileSystem.h"

namespace vestrel::platform {

namespace {

constexpr std::string_view kBlanks = " \t\r";

std::string_view trim(std::string_view s) {
  const auto first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

// Splits off the first blank-separated word of `rest`.
std::string_view nextWord(std::string_view& rest) {
  rest = trim(rest);
  const auto end = std::min(rest.find_first_of(kBlanks), rest.size());
  const auto word = rest.substr(0, end);
  rest = trim(rest.substr(end));
  return word;
}

template <class T>
std::optional<T> hexNumber(std::string_view word, std::size_t digits) {
  T value{};
  if (word.size() != digits) return std::nullopt;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value, 16);
  if (error != std::errc() || end != word.data() + word.size()) return std::nullopt;
  return value;
}

std::optional<PhoneFamily> familyNamed(std::string_view word) {
  if (word == "p2k") return PhoneFamily::P2K;
  if (word == "flash") return PhoneFamily::Flash;
  if (word == "at") return PhoneFamily::AT;
  return std::nullopt;
}

constexpr std::uint8_t kVendorSpecific = 0xFF;
constexpr std::uint8_t kCommandSubClass = 0x03;

bool containsWithoutCase(std::string_view text, std::string_view part) {
  return std::search(text.begin(), text.end(), part.begin(), part.end(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) ==
                  std::tolower(static_cast<unsigned char>(b));
         }) != text.end();
}

std::filesystem::path userTablePath() {
  if (const auto config = EnvironmentText("XDG_CONFIG_HOME")) {
    return PathFromUtf8(*config) / "vestrel" / "phones.table";
  }
  if (const auto home = EnvironmentText("HOME")) {
    return PathFromUtf8(*home) / ".config" / "vestrel" / "phones.table";
  }
  return {};
}

}  // namespace

bool IsFamilyInterface(PhoneFamily family, const InterfaceSeen& seen) {
  if (family == PhoneFamily::AT) return seen.holdsTty;
  if (seen.interfaceClass != kVendorSpecific) return false;
  if (family == PhoneFamily::Flash) return true;
  if (!seen.name.empty()) return containsWithoutCase(seen.name, "Test Command");
  return seen.subClass == kCommandSubClass;
}

std::string_view FamilyName(PhoneFamily family) {
  switch (family) {
    case PhoneFamily::P2K:
      return "p2k";
    case PhoneFamily::Flash:
      return "flash";
    case PhoneFamily::AT:
      return "at";
  }
  return {};
}

std::vector<std::string> PhoneTable::add(std::string_view text, std::string_view source) {
  std::vector<std::string> problems;
  std::size_t lineNumber = 0;
  while (!text.empty()) {
    const auto end = std::min(text.find('\n'), text.size());
    std::string_view rest = trim(text.substr(0, end));
    text.remove_prefix(std::min(end + 1, text.size()));
    ++lineNumber;
    if (rest.empty() || rest.front() == '#') continue;
    const auto complain = [&](std::string_view why) {
      problems.push_back(std::string(source) + ":" + std::to_string(lineNumber) + ": " +
                         std::string(why));
    };

    const std::string_view first = nextWord(rest);
    if (first == "description") {
      const auto family = familyNamed(nextWord(rest));
      if (!family) {
        complain("unknown family (p2k, flash or at)");
      } else if (rest.empty()) {
        complain("description text missing");
      } else {
        descriptions_[*family] = std::string(rest);
      }
      continue;
    }

    PhoneTableRow row;
    const auto vendor = hexNumber<std::uint16_t>(first, 4);
    const auto product = hexNumber<std::uint16_t>(nextWord(rest), 4);
    const std::string_view interfaceWord = nextWord(rest);
    const auto family = familyNamed(nextWord(rest));
    if (!vendor || !product) {
      complain("vendor and product must be 4 hex digits");
      continue;
    }
    if (interfaceWord != "*") {
      row.interfaceNumber = hexNumber<std::uint8_t>(interfaceWord, 2);
      if (!row.interfaceNumber) {
        complain("interface must be 2 hex digits or *");
        continue;
      }
    }
    if (!family) {
      complain("unknown family (p2k, flash or at)");
      continue;
    }
    row.vendor = *vendor;
    row.product = *product;
    row.family = *family;
    row.model = std::string(rest);
    // A later row for the same interface replaces the earlier one.
    std::erase_if(rows_, [&](const PhoneTableRow& old) {
      return old.vendor == row.vendor && old.product == row.product &&
             old.interfaceNumber == row.interfaceNumber;
    });
    rows_.push_back(std::move(row));
  }
  return problems;
}

std::string PhoneTable::description(PhoneFamily family) const {
  const auto it = descriptions_.find(family);
  return it == descriptions_.end() ? std::string() : it->second;
}

std::optional<PhoneKind> PhoneTable::lookup(std::uint16_t vendor, std::uint16_t product,
                                            const InterfaceSeen& seen) const {
  const auto ofDevice = [&](const PhoneTableRow& row) {
    return row.vendor == vendor && row.product == product;
  };
  const auto kindOf = [&](const PhoneTableRow& row) {
    return PhoneKind{row.family, description(row.family), row.model};
  };
  const bool namesInterfaces = std::any_of(rows_.begin(), rows_.end(), [&](const auto& row) {
    return ofDevice(row) && row.interfaceNumber;
  });
  for (const auto& row : rows_) {
    if (!ofDevice(row)) continue;
    if (namesInterfaces ? row.interfaceNumber == seen.number
                        : IsFamilyInterface(row.family, seen)) {
      return kindOf(row);
    }
  }
  return std::nullopt;
}

PhoneTable LoadPhoneTable(std::vector<std::string>& problems) {
  PhoneTable table;
  auto found = table.add(BuiltinPhoneTableText(), "built-in phones.table");
  problems.insert(problems.end(), found.begin(), found.end());
  const auto userFile = userTablePath();
  std::error_code error;
  if (userFile.empty() || !std::filesystem::exists(userFile, error)) return table;
  std::ifstream in(userFile, std::ios::binary);
  if (!in) {
    problems.push_back(Utf8FromPath(userFile) + ": cannot be read");
    return table;
  }
  std::ostringstream text;
  text << in.rdbuf();
  found = table.add(text.str(), Utf8FromPath(userFile));
  problems.insert(problems.end(), found.begin(), found.end());
  return table;
}

}  // namespace vestrel::platform
