#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vestrel::platform {

// The USB mode a phone personality belongs to.
enum class PhoneFamily { P2K, Flash, AT };

// One personality a phone shows on the bus: which of its interfaces carries the family.
// `interfaceNumber` empty means every interface of the family's kind (a vendor-specific
// interface for P2K and flash, the interface that holds the modem's tty for AT).
struct PhoneTableRow {
  std::uint16_t vendor = 0;
  std::uint16_t product = 0;
  std::optional<std::uint8_t> interfaceNumber;
  PhoneFamily family = PhoneFamily::P2K;
  std::string model;
};

// What the table says about one interface: its family, the device description the family's
// watcher looks for, and the model named in the row.
struct PhoneKind {
  PhoneFamily family;
  std::string description;
  std::string model;
};

// The table that tells phones from other USB devices, read from the text of a phones.table
// file (format in docs/linux-phones.md). Rows and descriptions read later win over earlier ones,
// so a user's file read after the built-in one extends and overrides it.
class PhoneTable {
 public:
  // Adds the rows and descriptions of `text`; a line that cannot be read is skipped and named
  // in the returned list ("<source>:<line>: <reason>"), the rest is still taken.
  std::vector<std::string> add(std::string_view text, std::string_view source);

  // The kind of interface `interfaceNumber` of device vendor:product, or nullopt when the table
  // does not know it. `vendorSpecific`: the interface's class is 0xFF; `holdsTty`: a tty hangs
  // below it. A row naming the interface is preferred over a row for every interface.
  std::optional<PhoneKind> lookup(std::uint16_t vendor, std::uint16_t product,
                                  std::uint8_t interfaceNumber, bool vendorSpecific,
                                  bool holdsTty) const;

  const std::vector<PhoneTableRow>& rows() const { return rows_; }
  std::string description(PhoneFamily family) const;

 private:
  std::vector<PhoneTableRow> rows_;
  std::map<PhoneFamily, std::string> descriptions_;
};

// The table built into the program, then the user's own file ($XDG_CONFIG_HOME/vestrel/
// phones.table, else ~/.config/vestrel/phones.table) when there is one. Unreadable lines are
// appended to `problems`.
PhoneTable LoadPhoneTable(std::vector<std::string>& problems);

// The text of the table built into the program.
std::string_view BuiltinPhoneTableText();

std::string_view FamilyName(PhoneFamily family);

}  // namespace vestrel::platform
