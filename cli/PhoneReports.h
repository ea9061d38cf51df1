#pragma once

// What the reporting commands (devices, info, drives, ls) find out, as data: their text and
// JSON forms print the very same findings. Each call blocks until the phone has answered and
// throws NoPhone, OperationFailed or UsageError as the commands do; nothing is printed here.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "p2kapi/PhoneInfo.h"
#include "phonelink/P2KFileSystem.h"

namespace vestrel::cli {

// One phone on the bus: "p2k", "flash" or "at", what the OS describes it with, and the USB
// interface it is on (two hex digits from the "&MI_" of its device path or hardware ID; "-"
// when the device is not composite), so two functions of one device never read alike.
struct ListedPhone {
  const char* mode;
  phonelink::TUSBDevice device;
  std::string usbInterface;
};

// Every listed phone of the three modes, P2K first. NoPhone where the host reaches no phones.
std::vector<ListedPhone> ListedPhones(Session& session);

// The model, firmware and flex texts of the P2K phone, as the phone spells them.
p2kapi::PhoneInfo ReadInfo(Session& session);

// The P2K phone's volume names ("/a", "/c") in its order.
std::vector<std::string> ReadVolumes(Session& session);

// What `ls [PATH]` lists: the path asked (the first volume when none), its files, and the free
// bytes of its volume when the phone told them.
struct Listing {
  std::string path;
  std::vector<phonelink::P2KFileRecord> files;
  std::string volume;
  std::optional<std::int64_t> freeBytes;
};
Listing ReadListing(Session& session, const CommandWords& words);

}  // namespace vestrel::cli
