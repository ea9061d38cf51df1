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

// What a device shows of one of its interfaces, for the table to judge it by.
struct InterfaceSeen {
  std::uint8_t number = 0;
  std::uint8_t interfaceClass = 0;
  std::uint8_t subClass = 0;
  std::string name;       // its own string (iInterface), empty when it has none
  bool holdsTty = false;  // a tty hangs below it (the cdc_acm modem)
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

  // The kind of interface `seen` of device vendor:product, or nullopt when it is no phone. Rows
  // that name interfaces of the device take only those, and its * rows none; a * row takes the
  // interfaces of its family's kind (IsFamilyInterface).
  std::optional<PhoneKind> lookup(std::uint16_t vendor, std::uint16_t product,
                                  const InterfaceSeen& seen) const;

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

// Whether an interface is the one that carries `family`, judged by its own descriptors. P2K: a
// phone in P2K mode also shows vendor-specific interfaces that are not the phone (the C380's
// "Motorola Accessory" ff/01 and "MCU Data Logger" ff/02 beside "Motorola Test Command" ff/03),
// so it is the vendor-specific interface whose string names the test command interface, or,
// where it has no string, the one of subclass 03. Flash: any vendor-specific interface. AT: the
// interface that holds the modem's tty.
bool IsFamilyInterface(PhoneFamily family, const InterfaceSeen& seen);

}  // namespace vestrel::platform
